#pragma once

#include <memory>
#include <string>

namespace Zorbel {

class MemoryImage;

// What an image font needs from the program around it: the shared pictures and a place to show
// descriptor errors. The application is one; programs and tests without one use StandaloneFontHost.
class FontHost {
public:
    virtual ~FontHost() = default;

    // The picture at path, shared with everyone who loads the same path; null when it cannot be read.
    // isNew says whether this call loaded it.
    virtual std::shared_ptr<MemoryImage> LoadFontPicture(const std::string& path, bool& isNew) = 0;
    // Shows a descriptor error; an application puts it in a message box captioned "FATAL ERROR".
    virtual void ShowFontError(const std::string& text) = 0;
};

} // namespace Zorbel
