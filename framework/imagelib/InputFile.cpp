#include "framework/imagelib/InputFile.h"

namespace Zorbel::ImageLib {

long InputFile::RemainingBytes() const {
    long here = std::ftell(mFile);
    if (here < 0 || std::fseek(mFile, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(mFile);
    if (std::fseek(mFile, here, SEEK_SET) != 0 || end < here) return -1;
    return end - here;
}

} // namespace Zorbel::ImageLib
