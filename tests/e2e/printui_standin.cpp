// Stand-in for RUNDLL32 PRINTUI.DLL,PrintUIEntry /if, which Wine does not
// implement: it leaves what the spooler leaves for an installed printer, the
// "Name" value of the printer's key, for the name after /b. Placed beside
// the installer, where the program search finds it before the system's.
// With the file "printui.fail" beside it, it creates nothing and ends with
// exit code 1 (a failed installation). Put in the place of the system's
// RUNDLL32, it also does what /dl does: the printer's key goes, with the
// name after /n.
#include <windows.h>

#include <string>

int main() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  folder.erase(folder.find_last_of('\\') + 1);
  if (GetFileAttributesA((folder + "printui.fail").c_str()) != INVALID_FILE_ATTRIBUTES) return 1;

  const std::string line = GetCommandLineA();
  const std::size_t n = line.find("/n \"");
  if (line.find("PrintUIEntry /dl ") != std::string::npos && n != std::string::npos) {
    const std::size_t end = line.find('"', n + 4);
    if (end == std::string::npos) return 2;
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + line.substr(n + 4, end - n - 4);
    return RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()) == ERROR_SUCCESS ? 0 : 3;
  }
  const std::size_t b = line.find("/b \"");
  if (line.find("PrintUIEntry /if ") == std::string::npos || b == std::string::npos) return 2;
  const std::size_t end = line.find('"', b + 4);
  if (end == std::string::npos) return 2;
  const std::string name = line.substr(b + 4, end - b - 4);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                      ("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name).c_str(), 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 3;
  const LONG rc = RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                 static_cast<DWORD>(name.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 3;
}
