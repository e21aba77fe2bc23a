#pragma once

#include "framework/sound/MusicLibrary.h"

#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

class AudioOutput;
class Clock;
class DisplayDevice;
class SettingsStore;
class SystemMixer;
class WidgetLayer;
class WindowSystem;
class ZorbelAppBase;

// The outside world of an application object. Whatever is left empty the application makes for itself
// from the real desktop; tests fill in stand-ins so that a whole application runs headless and on a
// hand-driven clock. Borrowed services must outlive the application.
struct AppPlatform {
    WindowSystem* windowSystem = nullptr;
    Clock* clock = nullptr;
    SettingsStore* settingsStore = nullptr;
    // Makes the display device when the main window is first made.
    std::function<std::unique_ptr<DisplayDevice>(ZorbelAppBase&)> createDisplay;
    std::function<std::unique_ptr<WidgetLayer>()> createWidgetLayer;
    // Opens the sound device when sound is on; none means there is no device.
    std::function<std::shared_ptr<AudioOutput>()> openAudio;
    // Opens the music libraries by file name; empty loads our own over the sound device.
    MusicLibraryLoader loadMusicLibrary;
    // The desktop's volume control.
    std::function<std::unique_ptr<SystemMixer>()> createSystemMixer;
    // Ends the process with the code. Should it return (as in tests), the application stops all work
    // as if the process had ended, and writes nothing more.
    std::function<void(int)> exitProcess;
    // Where the single-instance lock and socket live; the runtime folder when empty.
    std::string instanceFolder;
};

} // namespace Zorbel
