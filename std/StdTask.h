// Starting a command line and waiting for it to end while the calling
// thread's message queue stays serviced.
#pragma once

#include <string>

#include "platform/platform.h"

namespace StdTask {

// Starts commandLine (first token: the program, quoted when it holds
// blanks) with its window shown normally (show true) or hidden, waits until
// it has ended, dispatching this thread's window messages meanwhile, and
// answers true. False at once when it can't be started. The exit code is not
// read unless exitCode is given: then it receives the child's exit code
// (left untouched when it can't be read). The wait sleeps until the child
// ends or a message arrives.
bool RunAndWait(const std::u16string& commandLine, bool show,
                platform::Dword* exitCode = nullptr);

// Where the child comes from, where it runs and how long it may take.
struct RunOptions {
  // The program's full path, passed as the application name: nothing is
  // searched, and the command line reaches the child as it is. Empty: the
  // command line's first token, searched as CreateProcess searches.
  std::u16string applicationName;
  // The child's current directory; empty: this process's.
  std::u16string currentDirectory;
  // Milliseconds the child may run; after them it is ended
  // (TerminateProcess with exit code kTimedOutExitCode). kInfinite: no limit.
  platform::Dword timeLimit = platform::kInfinite;
};

enum class RunResult { kEnded, kNotStarted, kTimedOut };

// The exit code a child ended after its time limit receives
// (ERROR_TIMEOUT, 1460).
constexpr platform::Dword kTimedOutExitCode = 1460;

// RunAndWait with options: kEnded when the child has ended by itself,
// kNotStarted (at once) when it can't be started, kTimedOut when it was
// ended after its time limit. exitCode as above.
RunResult RunAndWait(const std::u16string& commandLine, bool show, const RunOptions& options,
                     platform::Dword* exitCode = nullptr);

}  // namespace StdTask
