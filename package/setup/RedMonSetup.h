// printer\setup.exe: starts the set-up program of the RedMon port monitor
// that suits the running Windows and answers its exit code.
//
// RedMon ships one set-up program per Windows: setup.exe registers the
// 32-bit monitor (redmon32.dll), setup64.exe the 64-bit one (redmon64.dll).
// A 64-bit spooler can't load the 32-bit library, so the choice follows the
// Windows that runs, not this program's own build. RedMon's files lie in the
// folder "redmon" beside this program.
#pragma once

#include <string>

#include "platform/platform.h"

namespace RedMonSetup {

// Exit codes of its own; any other code is the one RedMon's set-up answered.
// RedMon's set-up program for this Windows is missing: nothing was started.
constexpr int kExitSetupMissing = 2;
// The program was there but could not be started, or its end could not be
// awaited (the system's error code is used instead when there is one).
constexpr int kExitStartFailed = 1;

// The arguments of a command line: what follows the program's token, with
// the blanks before it removed and nothing else changed. The token ends at
// the first blank or tab outside double quotes, as the C runtime reads it.
std::string ArgumentTail(const std::string& commandLine);

// RedMon's set-up program below the folder (which ends with "\") for a
// processor architecture as GetNativeSystemInfo reports it.
std::u16string SetupProgram(const std::u16string& folder, platform::Word architecture);

// The whole program: finds its own folder, picks RedMon's set-up program,
// starts it with this program's arguments, waits and answers the exit code.
int Run();

}  // namespace RedMonSetup
