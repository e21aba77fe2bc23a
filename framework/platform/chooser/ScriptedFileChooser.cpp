#include "framework/platform/chooser/ScriptedFileChooser.h"

namespace Zorbel {

FileChooserResult ScriptedFileChooser::ChooseFileToOpen(const FileChooserRequest& request) {
    mRequests.push_back(request);
    if (mScript.empty()) return mFallback;
    FileChooserResult result = std::move(mScript.front());
    mScript.pop_front();
    return result;
}

} // namespace Zorbel
