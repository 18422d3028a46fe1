// The stand-in for PrintUIEntry as a program, put in the place of the
// system's RUNDLL32 ("RUNDLL32 PRINTUI.DLL,PrintUIEntry <arguments>"); the
// file printui.fail beside it makes it fail.
#include <windows.h>

#include <string>

#include "tests/e2e/printui_standin.h"

int main() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  folder.erase(folder.find_last_of('\\') + 1);
  const std::string line = GetCommandLineA();
  const std::size_t entry = line.find("PrintUIEntry ");
  if (entry == std::string::npos) return 2;
  return PrintUIStandIn(folder, line.substr(entry + 13));
}
