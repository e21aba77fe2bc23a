#include "framework/platform/FileChooser.h"

#include "framework/platform/files/Path.h"

#include <algorithm>

namespace Zorbel {

std::vector<std::string> FileFilter::PatternsInEitherCase() const {
    std::vector<std::string> result;
    auto add = [&result](std::string pattern) {
        if (!pattern.empty() && std::find(result.begin(), result.end(), pattern) == result.end())
            result.push_back(std::move(pattern));
    };
    for (const std::string& pattern : patterns) {
        add(pattern);
        add(StringToLower(pattern));
        add(StringToUpper(pattern));
    }
    return result;
}

} // namespace Zorbel
