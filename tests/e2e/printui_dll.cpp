// The stand-in for PrintUIEntry where Windows looks for it: a printui.dll in
// the system folder that RUNDLL32 loads (Wine: WINEDLLOVERRIDES=printui=n),
// exporting the entry point rundll32 calls first, PrintUIEntryW. Its
// arguments are converted to the ANSI code page; the file printui.fail beside
// the DLL makes it fail. rundll32 itself always ends with 0, so the entry
// ends the process with the stand-in's exit code, as a failing printer
// set-up is seen.
#include <windows.h>

#include <string>

#include "tests/e2e/printui_standin.h"

namespace {
HMODULE g_self = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPCWSTR arguments, int) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(g_self, self, MAX_PATH);
  std::string folder(self);
  folder.erase(folder.find_last_of('\\') + 1);
  const int length = WideCharToMultiByte(CP_ACP, 0, arguments, -1, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? length : 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, arguments, -1, &text[0], length, nullptr, nullptr);
  text.resize(text.find('\0'));
  ExitProcess(static_cast<UINT>(PrintUIStandIn(folder, text)));
}
