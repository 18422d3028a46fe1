// The program's entry point: no window, no arguments; ends when the run ends.
//
// The C runtime of a GUI-subsystem program (-mwindows) calls WinMain with C
// linkage and the stdcall convention: on i686 that links as _WinMain@16 (four
// 4-byte arguments), on x86_64 stdcall is ignored and the name is WinMain.
// The handle types are declared as void* here, which passes them the same
// way, so <windows.h> stays out of this file.
#include "installer/Module1.h"

extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*commandLine*/,
                                 int /*showCommand*/) {
  return Module1::RunInstaller();
}
