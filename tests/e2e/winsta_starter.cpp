// Test tool: starts a program the way a service starts it, in a window
// station of its own that no user sees (as SYSTEM's "Service-0x0-3e7$"),
// on that station's desktop through STARTUPINFO.lpDesktop, waits for it and
// ends with its exit code.
//   winsta_starter COMMANDLINE
// Prints whether the new window station reports WSF_VISIBLE. Exit code 100
// and up: the station, desktop or process could not be made.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  // Everything after the starter's own token is the child's command line.
  std::string line = GetCommandLineA();
  std::size_t at = 0;
  if (!line.empty() && line[0] == '"') {
    at = line.find('"', 1);
    at = at == std::string::npos ? line.size() : at + 1;
  }
  at = line.find(' ', at);
  const std::string child = at == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', at));
  if (child.empty()) return 100;

  HWINSTA own = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationA("DravelinDienst", 0, WINSTA_ALL_ACCESS, nullptr);
  if (station == nullptr) return 101;
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed);
  std::printf("station visible: %s\n", (flags.dwFlags & WSF_VISIBLE) ? "yes" : "no");
  // A desktop is created in the window station of the calling process.
  if (!SetProcessWindowStation(station)) return 102;
  HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  SetProcessWindowStation(own);
  if (desktop == nullptr) return 103;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  char desktopName[] = "DravelinDienst\\Default";
  startup.lpDesktop = desktopName;
  PROCESS_INFORMATION info = {};
  std::string commandLine = child;
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return 104;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 105;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  CloseDesktop(desktop);
  CloseWindowStation(station);
  std::fflush(stdout);
  return static_cast<int>(code);
}
