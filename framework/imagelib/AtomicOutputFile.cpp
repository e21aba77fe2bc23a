#include "framework/imagelib/AtomicOutputFile.h"

namespace Zorbel::ImageLib {

AtomicOutputFile::AtomicOutputFile(const std::string& fileName)
    : mFileName(fileName), mTempName(fileName + ".tmp"), mFile(std::fopen(mTempName.c_str(), "wb")) {}

AtomicOutputFile::~AtomicOutputFile() {
    if (!mFile) return;
    std::fclose(mFile);
    std::remove(mTempName.c_str());
}

bool AtomicOutputFile::Commit() {
    if (!mFile) return false;
    bool written = std::ferror(mFile) == 0;
    written = std::fclose(mFile) == 0 && written;
    mFile = nullptr;
    if (written && std::rename(mTempName.c_str(), mFileName.c_str()) == 0) return true;
    std::remove(mTempName.c_str());
    return false;
}

} // namespace Zorbel::ImageLib
