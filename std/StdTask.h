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

}  // namespace StdTask
