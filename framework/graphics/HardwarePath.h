#pragma once

namespace Zorbel {

class MemoryImage;

// The per-picture texture record of the hardware path. Only the hardware path knows its content;
// an image merely carries the pointer.
struct HardwareTexture;

// What images need from the hardware drawing path: whether it is drawing, and its textures dropped
// or read back. The display device implements it once hardware acceleration exists.
class HardwarePath {
public:
    virtual ~HardwarePath() = default;

    // True while drawing into the screen goes through the hardware path.
    virtual bool IsActive() const = 0;
    // Frees the image's texture record and clears the image's pointer to it.
    virtual void DropTexture(MemoryImage& image) = 0;
    // Fills the image's 32-bit pixels from its texture. They are already allocated when this is
    // called, so image.GetPixels() hands them out. False when the texture cannot be read.
    virtual bool ReadTextureBack(MemoryImage& image) = 0;
};

} // namespace Zorbel
