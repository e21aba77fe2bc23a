#pragma once

#include "framework/platform/FontFace.h"

#include <memory>

namespace Zorbel {

// Opens system fonts. The application owns one for the whole run; tests may use a fake one.
class FontEngine {
public:
    virtual ~FontEngine() = default;

    // Null only when the system has no usable font at all.
    virtual std::unique_ptr<FontFace> OpenFace(const FontRequest& request) = 0;
};

} // namespace Zorbel
