#pragma once

#include "framework/app/SharedImageCache.h"
#include "framework/font/StandaloneFontHost.h"
#include "framework/resource/ResourceHost.h"

namespace Zorbel {

class ImageContext;

// The resource host of programs and tests without an application: pictures are read into memory
// images of the given context and shared by path and variant, sounds go to the sound manager given
// (none: every sound fails to load), and fonts report to a StandaloneFontHost.
class StandaloneResourceHost : public ResourceHost {
public:
    // The context and the sound manager must outlive the host and everything loaded through it.
    explicit StandaloneResourceHost(ImageContext& context, SoundManager* sounds = nullptr);
    StandaloneResourceHost(ImageContext&&, SoundManager* = nullptr) = delete;

    SharedImageRef GetSharedImage(const std::string& path, const std::string& variant, bool* isNew) override;
    std::unique_ptr<MemoryImage> GetImage(const std::string& path, bool commit) override;
    SoundManager* GetSoundManager() override { return mSounds; }
    FontHost* GetFontHost() override { return &mFonts; }

    // The font errors shown so far, oldest first.
    const std::vector<std::string>& FontErrors() const { return mFonts.Errors(); }

private:
    ImageContext& mContext;
    SoundManager* mSounds;
    StandaloneFontHost mFonts;
    SharedImageCache mPictures;
};

} // namespace Zorbel
