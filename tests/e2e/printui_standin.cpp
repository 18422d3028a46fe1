// Stand-in for RUNDLL32 PRINTUI.DLL,PrintUIEntry, placed beside the
// installer as RUNDLL32.exe, where the program search finds it before the
// system's. The printer it adds is one the spooler knows: OpenPrinter and
// GetPrinter answer its port and driver, as they must after the real
// PrintUIEntry /if. (A printer written into the registry alone is unknown to
// OpenPrinter, error 1801.)
#include "tests/e2e/printui_standin.h"

#include <windows.h>

#include "platform/owners.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace {

// The text in double quotes after a switch, or "" (found: false).
std::string Quoted(const std::string& arguments, const std::string& name, bool* found) {
  const std::size_t at = (" " + arguments).find(" " + name + " \"");
  *found = at != std::string::npos;
  if (!*found) return {};
  const std::size_t begin = at + name.size() + 2;
  const std::size_t end = arguments.find('"', begin);
  *found = end != std::string::npos;
  return *found ? arguments.substr(begin, end - begin) : std::string();
}

// The folder of the module (program or library) that holds this code.
std::string OwnFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&PrintUiEntry), &module);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::string folder(path);
  return folder.erase(folder.find_last_of('\\') + 1);
}

}  // namespace

int PrintUiEntry(const std::string& arguments) {
  bool haveName = false, havePort = true, haveModel = true;
  if (arguments.rfind("/dl ", 0) == 0) {
    const std::string name = Quoted(arguments, "/n", &haveName);
    if (!haveName) return 2;
    platform::UniquePrinter printer;
    if (!platform::OpenPrinterA(name, platform::kPrinterAllAccess, printer.Receive())) return 3;
    return platform::DeletePrinter(printer.Get()) ? 0 : 3;
  }
  if (arguments.rfind("/if ", 0) != 0) return 2;
  const std::string name = Quoted(arguments, "/b", &haveName);
  const std::string port = Quoted(arguments, "/r", &havePort);
  const std::string model = Quoted(arguments, "/m", &haveModel);
  if (!haveName || !havePort || !haveModel) return 2;
  if (GetFileAttributesA((OwnFolder() + "printui.fail").c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  return platform::AddPrinterForTest(name, port, model) ? 0 : 3;
}

int main() {
  // RUNDLL32 PRINTUI.DLL,PrintUIEntry ARGUMENTS
  const std::string line = GetCommandLineA();
  const std::size_t entry = line.find("PrintUIEntry ");
  if (entry == std::string::npos) return 2;
  return PrintUiEntry(line.substr(entry + 13));
}
