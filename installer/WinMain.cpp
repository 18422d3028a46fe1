// The program's entry point: no window of its own; ends when the run ends.
// The switches are read from the process's command line (GetCommandLineA).
//
// The C runtime of a GUI-subsystem program (-mwindows) calls WinMain with C
// linkage and the stdcall convention: on i686 that links as _WinMain@16 (four
// 4-byte arguments), on x86_64 stdcall is ignored and the name is WinMain.
// The handle types are declared as void* here, which passes them the same
// way, so <windows.h> stays out of this file.
#include "installer/Module1.h"

extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*commandLine*/,
                                 int /*showCommand*/) {
  // RunInstaller lets nothing out; should its own report fail with an
  // exception, the end is still the failure code and not abort().
  try {
    return Module1::RunInstaller();
  } catch (...) {
    return static_cast<int>(Module1::RunEnd::kFailure);
  }
}
