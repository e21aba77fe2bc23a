#include "framework/platform/process/BackEndNames.h"

#include <SDL.h>

namespace Zorbel {

namespace {

std::string Describe(const char* driver) {
    if (!driver) return std::string();
    SDL_version version;
    SDL_GetVersion(&version);
    return "SDL " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch) + " " + driver;
}

} // namespace

std::string DisplayBackEndName() {
    return SDL_WasInit(SDL_INIT_VIDEO) ? Describe(SDL_GetCurrentVideoDriver()) : std::string();
}

std::string SoundBackEndName() {
    return SDL_WasInit(SDL_INIT_AUDIO) ? Describe(SDL_GetCurrentAudioDriver()) : std::string();
}

} // namespace Zorbel
