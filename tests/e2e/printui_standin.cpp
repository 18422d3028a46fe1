// Stand-in for PrintUIEntry /if, which Wine does not implement, and /dl.
// A printer written into the registry alone is unknown to OpenPrinter
// (error 1801): the printer is added through the spooler.
#include "tests/e2e/printui_standin.h"

#include <windows.h>

#include "platform/owners.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace {

// The text in double quotes after a switch ("/b \""); found false when missing.
std::string Quoted(const std::string& arguments, const std::string& option, bool* found) {
  const std::size_t at = (" " + arguments).find(" " + option + " \"");
  *found = at != std::string::npos;
  if (!*found) return {};
  const std::size_t start = at + option.size() + 2;
  const std::size_t end = arguments.find('"', start);
  *found = end != std::string::npos;
  return *found ? arguments.substr(start, end - start) : std::string();
}

}  // namespace

int PrintUIStandIn(const std::string& failFolder, const std::string& arguments) {
  if (GetFileAttributesA((failFolder + "printui.fail").c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  bool haveName = false, havePort = false, haveModel = false;
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
  return platform::AddPrinterForTest(name, port, model) ? 0 : 3;
}
