// Stand-in for RedMon's set-up programs: printer\setup.exe (the 32-bit
// build) and printer\setup64.exe (the 64-bit build).
//
// As RedMon's own 32-bit setup.exe does, the 32-bit build asks
// IsWow64Process whether it runs on a 64-bit Windows; there it starts
// setup64.exe from its own folder with the same arguments, waits for it and
// answers its exit code, doing nothing else. Otherwise it registers the
// monitor the way the real set-up leaves it (the "Driver" value below the
// monitor's key) and logs its command line in setup.log beside itself. With
// the file "register.off" beside it, it registers nothing (a failed set-up).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string OwnFolder() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  return folder.erase(folder.find_last_of('\\') + 1);
}

#ifndef _WIN64
// IsWow64Process is looked up, not imported: kernel32 has it only from
// Windows XP SP2 on.
bool RunsOnWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The arguments of this program's command line: what follows its own
// (possibly quoted) name and the blanks after it.
std::string Arguments() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != ' ') ++p;
  }
  while (*p == ' ') ++p;
  return p;
}

int HandOver(const std::string& folder) {
  const std::string args = Arguments();
  std::string commandLine = "\"" + folder + "setup64.exe\"" + (args.empty() ? "" : " " + args);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return 1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
#endif

}  // namespace

int main() {
  const std::string folder = OwnFolder();
#ifndef _WIN64
  if (RunsOnWow64()) return HandOver(folder);
#endif
  if (FILE* log = std::fopen((folder + "setup.log").c_str(), "ab")) {
    std::fprintf(log, "%s\n", GetCommandLineA());
    std::fclose(log);
  }
  if (GetFileAttributesA((folder + "register.off").c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                      "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Redirected Port", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 2;
  static const char kDriver[] = "redmon35.dll";
  const LONG rc = RegSetValueExA(key, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(kDriver),
                                 sizeof kDriver);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 3;
}
