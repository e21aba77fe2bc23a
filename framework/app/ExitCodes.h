#pragma once

namespace Zorbel {

// The program's exit codes, one table for every way it ends. Scripts tell a refusal from a normal
// end by them; README and the manual page list them.
enum ExitCode : int {
    // A normal end, and a second copy that handed over to the running one.
    EXIT_CODE_OK = 0,
    // The display or the window could not be set up.
    EXIT_CODE_DISPLAY = 1,
    // The command line was not understood.
    EXIT_CODE_COMMAND_LINE = 2,
    // A demo file to play is missing, invalid or of another version.
    EXIT_CODE_DEMO = 3,
    // An audio or music back end, or one of its functions, is missing.
    EXIT_CODE_AUDIO_BACKEND = 4,
    // A sound instance could not be duplicated.
    EXIT_CODE_SOUND_DUPLICATE = 5,
    // A fatal fault: the report is in "crash.txt" (the process ends without a core dump).
    EXIT_CODE_CRASH = 6,
};

} // namespace Zorbel
