#pragma once

#include "framework/platform/FileChooser.h"

#include <deque>
#include <vector>

namespace Zorbel {

// A chooser that shows nothing: it answers from a script of results, in order, and writes down every
// request. Once the script runs out it gives the fallback answer. Lets callers be tested headless.
class ScriptedFileChooser : public FileChooser {
public:
    explicit ScriptedFileChooser(FileChooserResult fallback = FileChooserResult::Cancelled())
        : mFallback(std::move(fallback)) {}

    FileChooserResult ChooseFileToOpen(const FileChooserRequest& request) override;

    void Answer(FileChooserResult result) { mScript.push_back(std::move(result)); }
    void AnswerChosen(std::string path) { Answer(FileChooserResult::Chosen(std::move(path))); }
    void SetFallback(FileChooserResult fallback) { mFallback = std::move(fallback); }

    const std::vector<FileChooserRequest>& Requests() const { return mRequests; }
    size_t PendingAnswers() const { return mScript.size(); }

private:
    std::deque<FileChooserResult> mScript;
    FileChooserResult mFallback;
    std::vector<FileChooserRequest> mRequests;
};

} // namespace Zorbel
