// What the contract cases need from the backend they run on. The same case
// sources run against the simulation (host build) and against the real API
// (Win64 build under Wine); everything that has to differ between the two
// lives behind these functions, in contract_env_sim.cpp and
// contract_env_win32.cpp.
#pragma once

#include <string>

#include "platform/platform.h"

namespace contract {

// Called before every case: the simulation starts from a fresh machine with
// a temp folder; the real system needs nothing.
void PrepareBackend();

// The folder for scratch files (the TEMP variable), without a closing "\".
std::string TempFolder();

// A command line that starts the contract child program (see
// contract_child.h) with these actions. Its program path lies in a folder
// with a blank in its name and is quoted. The real backend copies this test
// program there; the simulation registers the same child code as a scripted
// program that keeps running for a few polls when the actions sleep.
std::string ChildCommandLine(const std::string& actions);

// ---------------------------------------------------------------------------
// Known differences between the backends, each with its reason. The cases
// take the expected value from here instead of skipping the check.

// The disposition RegCreateKeyExA reports for the empty subkey name (which
// opens the key itself). The simulation says kRegOpenedExistingKey; Wine 8
// says kRegCreatedNewKey. Nothing in the installer reads the disposition.
platform::Dword EmptySubkeyDisposition();

}  // namespace contract
