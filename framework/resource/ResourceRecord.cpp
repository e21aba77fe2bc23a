#include "framework/resource/ResourceRecord.h"

#include "framework/font/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resource/ResourceHost.h"
#include "framework/sound/SoundManager.h"

namespace Zorbel {

ResourceRecord::~ResourceRecord() = default;

// The shared picture goes when its last holder lets go of it.
void ImageRecord::Release(ResourceHost*) {
    image.reset();
}

void SoundRecord::Release(ResourceHost* host) {
    if (soundId < 0) return;
    if (SoundManager* sounds = host != nullptr ? host->GetSoundManager() : nullptr)
        sounds->UnloadSound(soundId);
    soundId = -1;
}

FontRecord::FontRecord() = default;
FontRecord::~FontRecord() = default;

void FontRecord::Release(ResourceHost*) {
    font.reset();
    image.reset();
}

} // namespace Zorbel
