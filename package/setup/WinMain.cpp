// The entry point of printer\setup.exe: a GUI-subsystem program that opens
// no window, so that no console appears while RedMon's set-up runs. (See
// installer/WinMain.cpp for why the handles are declared as void*.)
#include "package/setup/RedMonSetup.h"

extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*commandLine*/,
                                 int /*showCommand*/) {
  return RedMonSetup::Run();
}
