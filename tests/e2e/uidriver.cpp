// Test tool: drives the installer's message boxes and its open-file dialog.
//   uidriver LOG STEP...   with STEP one of
//     box:<button>     wait for a message box captioned "Installation
//                      DUR-Orarudi", log its text and buttons, press <button>
//                      (yes, no, cancel, ok)
//     file:<path>      wait for the dialog "Bitte gswin32c.exe auswählen!",
//                      type <path> into its file name field and press OK
//     wait:<seconds>   let the following steps wait that long for their
//                      window (a program emulated as 32-bit starts slowly)
//     watch:<file>     until <file> exists, log every visible top-level
//                      window that appears ("window <class> <caption>"):
//                      a quiet run must show none
// Each step waits at most 30 s unless told otherwise. Everything seen is logged as UTF-8; the exit
// code is 0 when every step found its window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

FILE* g_log = nullptr;
int g_waitTenths = 300;  // how long a step waits for its window, in 0.1 s

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
  return w;
}

std::wstring TextOf(HWND h) {
  // WM_GETTEXT, not GetWindowText: the latter does not read the text of
  // an edit control in another process.
  wchar_t buf[4096] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, 4096, LPARAM(buf), SMTO_ABORTIFHUNG, 2000, &got);
  return buf;
}

HWND WaitFor(const std::wstring& caption) {
  for (int i = 0; i < g_waitTenths; ++i) {
    if (HWND h = FindWindowW(L"#32770", caption.c_str())) {
      if (IsWindowVisible(h)) return h;
    }
    Sleep(100);
  }
  return nullptr;
}

BOOL CALLBACK LogButton(HWND child, LPARAM) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (lstrcmpiW(cls, L"Button") == 0 && IsWindowVisible(child))
    std::fprintf(g_log, "button %d %s\n", GetDlgCtrlID(child), Utf8(TextOf(child)).c_str());
  return TRUE;
}

bool PressBox(const std::string& button) {
  HWND box = WaitFor(L"Installation DUR-Orarudi");
  if (!box) {
    std::fprintf(g_log, "timeout waiting for a message box\n");
    return false;
  }
  Sleep(200);
  std::fprintf(g_log, "caption %s\n", Utf8(TextOf(box)).c_str());
  std::string text = Utf8(TextOf(GetDlgItem(box, 0xFFFF)));
  std::fprintf(g_log, "text-begin\n%s\ntext-end\n", text.c_str());
  // The icon's static control: id 20 on Windows, 0x440 (stc1) on Wine.
  std::fprintf(g_log, "icon %s\n", (GetDlgItem(box, 0x0014) || GetDlgItem(box, 0x0440)) ? "yes" : "no");
  EnumChildWindows(box, LogButton, 0);
  int id = button == "yes" ? IDYES : button == "no" ? IDNO : button == "cancel" ? IDCANCEL : IDOK;
  std::fprintf(g_log, "press %s\n", button.c_str());
  std::fflush(g_log);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(box, id)));
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(100);
  return true;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  std::fprintf(g_log, "control %d %s\n", GetDlgCtrlID(child), Utf8(cls).c_str());
  HWND* out = reinterpret_cast<HWND*>(found);
  if (!*out && lstrcmpiW(cls, L"Edit") == 0) *out = child;
  return TRUE;
}

bool ChooseFile(const std::string& path) {
  HWND dlg = WaitFor(Wide("Bitte gswin32c.exe auswählen!"));
  if (!dlg) {
    std::fprintf(g_log, "timeout waiting for the file dialog\n");
    return false;
  }
  Sleep(500);
  std::fprintf(g_log, "dialog %s\n", Utf8(TextOf(dlg)).c_str());
  HWND edit = GetDlgItem(dlg, 0x480);  // edt1
  if (!edit) {
    if (HWND combo = GetDlgItem(dlg, 0x47C)) edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  }
  if (!edit) EnumChildWindows(dlg, FindEdit, reinterpret_cast<LPARAM>(&edit));
  if (!edit) {
    std::fprintf(g_log, "no file name field\n");
    return false;
  }
  std::fprintf(g_log, "proposed %s\n", Utf8(TextOf(edit)).c_str());
  SendMessageW(edit, WM_SETTEXT, 0, LPARAM(Wide(path).c_str()));
  std::fprintf(g_log, "choose %s\n", path.c_str());
  std::fflush(g_log);
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
  for (int i = 0; i < 100 && IsWindow(dlg); ++i) Sleep(100);
  return true;
}

BOOL CALLBACK LogNewWindow(HWND window, LPARAM seen) {
  auto* known = reinterpret_cast<std::vector<HWND>*>(seen);
  if (!IsWindowVisible(window)) return TRUE;
  for (HWND k : *known) {
    if (k == window) return TRUE;
  }
  known->push_back(window);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  std::fprintf(g_log, "window %s %s\n", Utf8(cls).c_str(), Utf8(TextOf(window)).c_str());
  return TRUE;
}

// Polls until the file appears, at most ten minutes.
bool Watch(const std::string& doneFile) {
  std::vector<HWND> known;
  for (int i = 0; i < 12000; ++i) {
    EnumWindows(LogNewWindow, reinterpret_cast<LPARAM>(&known));
    std::fflush(g_log);
    if (GetFileAttributesW(Wide(doneFile).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  std::fprintf(g_log, "timeout waiting for %s\n", doneFile.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  g_log = std::fopen(argv[1], "wb");
  if (!g_log) return 2;
  bool ok = true;
  for (int i = 2; i < argc && ok; ++i) {
    const std::string step = argv[i];
    if (step.rfind("box:", 0) == 0) ok = PressBox(step.substr(4));
    else if (step.rfind("file:", 0) == 0) ok = ChooseFile(step.substr(5));
    else if (step.rfind("watch:", 0) == 0) ok = Watch(step.substr(6));
    else if (step.rfind("wait:", 0) == 0) g_waitTenths = 10 * std::atoi(step.c_str() + 5);
    else ok = false;
    std::fflush(g_log);
  }
  std::fclose(g_log);
  return ok ? 0 : 1;
}
