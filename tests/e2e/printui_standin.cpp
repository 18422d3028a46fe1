// Stand-in for PrintUIEntry /if, which Wine does not implement, and /dl.
#include "tests/e2e/printui_standin.h"

#include <windows.h>

namespace {

constexpr char kPrinters[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

// The text in double quotes after a switch ("/b \""), or "" when missing.
std::string Quoted(const std::string& arguments, const std::string& option) {
  const std::size_t at = arguments.find(option + " \"");
  if (at == std::string::npos) return {};
  const std::size_t start = at + option.size() + 2;
  const std::size_t end = arguments.find('"', start);
  return end == std::string::npos ? std::string() : arguments.substr(start, end - start);
}

}  // namespace

int PrintUIStandIn(const std::string& failFolder, const std::string& arguments) {
  if (GetFileAttributesA((failFolder + "printui.fail").c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  if (arguments.rfind("/dl ", 0) == 0) {
    const std::string name = Quoted(arguments, "/n");
    if (name.empty()) return 2;
    return RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kPrinters + name).c_str()) == ERROR_SUCCESS ? 0 : 3;
  }
  const std::string name = Quoted(arguments, "/b");
  if (arguments.rfind("/if ", 0) != 0 || name.empty()) return 2;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kPrinters + name).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return 3;
  }
  const LONG rc = RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                 static_cast<DWORD>(name.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 3;
}
