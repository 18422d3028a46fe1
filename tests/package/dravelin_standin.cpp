// Dravelin.exe for the print path tests: the print script starts it after
// each job. It appends one line to "Dravelin.ran" beside itself: its own
// command line, so a test sees that, and how often, it ran.
#include <windows.h>

#include <string>

int main() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  std::wstring marker(self, n);
  marker = marker.substr(0, marker.find_last_of(L'\\') + 1) + L"Dravelin.ran";
  HANDLE h = CreateFileW(marker.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* cmd = GetCommandLineW();
  int len = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<size_t>(len > 0 ? len - 1 : 0), '\0');
  if (len > 1) WideCharToMultiByte(CP_UTF8, 0, cmd, -1, line.data(), len, nullptr, nullptr);
  line += "\r\n";
  DWORD written = 0;
  BOOL ok = WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
  return ok ? 0 : 1;
}
