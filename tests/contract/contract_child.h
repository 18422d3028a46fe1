// The child program of the process cases: the test binary started with
// "--contract-child" and a list of actions separated by ";":
//   post:<window>:<message>  posts the message to that window
//   sleep:<ms>               sleeps
//   touch:<path>             creates the file (empty)
//   cwd:<path>               writes its current directory into the file
//   exit:<code>              ends with that exit code (default 0)
#pragma once

#include <string>

#include "platform/platform.h"

namespace contract {

constexpr char kChildSwitch[] = "--contract-child";

// Carries out the actions; answers the exit code.
platform::Dword RunChild(const std::string& actions);

}  // namespace contract
