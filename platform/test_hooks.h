// Calls that only tests and benchmarks make: the process's processor time,
// a hidden window that counts the messages it receives, posting messages,
// removing folders, setting environment variables, deleting registry keys,
// adding a printer, and reading the application pointer back. Each backend implements them in its testing.cpp (win32/testing.cpp,
// sim/testing.cpp), built into the library platform_testing, which the
// product does not link.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace platform {

constexpr Dword kWmUser = 0x0400;

// User plus kernel processor time of this process so far, in 100 ns units.
[[nodiscard]] bool GetProcessCpuTime(std::uint64_t* time100ns);

// A hidden window of this thread whose window procedure counts the messages
// it receives. 0 on failure.
[[nodiscard]] Hwnd CreateCountingWindow();
// How many messages with this number the counting window has received.
[[nodiscard]] int CountingWindowReceived(Hwnd window, Dword message);
bool DestroyWindow(Hwnd window);
[[nodiscard]] bool PostMessageA(Hwnd window, Dword message, std::uintptr_t wParam,
                                std::intptr_t lParam);

[[nodiscard]] bool RemoveDirectoryA(const std::string& path);
// A null value removes the variable.
bool SetEnvironmentVariableA(const std::string& name, const char* value);

// Deletes a registry key with everything below it. False when it could not
// be deleted (a missing key counts as deleted).
bool DeleteKeyTree(HKey root, const std::string& path);

// Adds a printer as PrintUIEntry /if leaves it: its driver (placeholder
// files, where the platform needs files) and the printer on that port. False
// when the spooler refuses.
bool AddPrinterForTest(const std::string& name, const std::string& port, const std::string& driver);

// The application-wide pointer as it is now: kPointerDefault,
// kPointerHourglass, or -1 for any other pointer.
[[nodiscard]] int ApplicationPointer();

}  // namespace platform
