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
// with a blank in its name below the given folder and is quoted. The real
// backend copies this test program there; the simulation registers the same
// child code as a scripted program that keeps running for a few polls when
// the actions sleep.
std::string ChildCommandLine(const std::string& folder, const std::string& actions);
// The child's program path for that folder.
std::string ChildPath(const std::string& folder);

// ---------------------------------------------------------------------------
// Known differences between the backends, each with its reason. The cases
// take the expected value from here instead of skipping the check.

// The disposition RegCreateKeyExA reports for the empty subkey name (which
// opens the key itself). The simulation says kRegOpenedExistingKey; Wine 8
// says kRegCreatedNewKey. Nothing in the installer reads the disposition.
platform::Dword EmptySubkeyDisposition();

// Whether FindFirstFileA applies the DOS rules of its name mask to "*." and
// to a "?" at the end of a mask: on Windows "*." lists the names without a
// dot, and "?" matches no character at a dot or at the end of a name (the
// DOS_DOT and DOS_QM rules documented with FsRtlIsNameInExpression), so
// "????" lists "ab" and "?" does not list ".". The simulation follows
// Windows; Wine 8 matches these masks literally. The installer's masks
// ("*", "*.*", "gs*") are not affected.
bool DosMaskRules();

// The error GetFileAttributesA reports for a file named with a closing
// backslash ("C:\x.txt\"). Windows' file systems answer
// STATUS_OBJECT_NAME_INVALID, ERROR_INVALID_NAME (123), which the simulation
// reports; Wine 8 reports ERROR_PATH_NOT_FOUND (3). Both fail, which is all
// the library relies on.
platform::Dword FileWithClosingBackslashError();

// The error OpenPrinterA answers for a printer name while the spooler
// service is stopped. Windows' winspool asks the service through RPC and
// answers RPC_S_SERVER_UNAVAILABLE (1722), which the simulation reports;
// Wine's winspool keeps the printers in-process and answers as for a
// running spooler, ERROR_INVALID_PRINTER_NAME (1801) for an unknown one.
// The removal asks the spooler only while it runs, and decides about a
// printer's key without it by the key's "Name" value.
platform::Dword StoppedSpoolerPrinterError();

// What SetRedirectionTrustPolicy answers. The simulation is Windows XP,
// whose kernel32 lacks SetProcessMitigationPolicy: kErrorProcNotFound. Wine 8
// has the function as a stub that accepts every policy: 0. (Windows 8 to
// Windows 10 before 21H2 refuse the unknown policy with
// ERROR_INVALID_PARAMETER; Windows 11 turns it on.) The installer only
// records the answer.
platform::Dword RedirectionTrustAnswer();

}  // namespace contract
