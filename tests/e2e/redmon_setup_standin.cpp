// Stand-in for the redirected-port monitor's set-up program: registers the
// monitor the way the real set-up leaves it (the "Driver" value below the
// monitor's key) and logs its command line beside itself. With the file
// "register.off" beside it, it registers nothing (a failed set-up).
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  folder.erase(folder.find_last_of('\\') + 1);
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
