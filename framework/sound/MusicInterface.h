#pragma once

namespace Zorbel {

// A music player. The base plays nothing: it is the player of the no-sound setting, and every real
// player derives from it.
class MusicInterface {
public:
    MusicInterface() = default;
    MusicInterface(const MusicInterface&) = delete;
    MusicInterface& operator=(const MusicInterface&) = delete;
    virtual ~MusicInterface() = default;

    // Volume of all music, 0 ... 1.
    virtual void SetVolume(double volume) { mVolume = volume; }
    double GetVolume() const { return mVolume; }
    // Called once per update step.
    virtual void Update() {}
    virtual void StopAllMusic() {}

private:
    double mVolume = 1.0;
};

} // namespace Zorbel
