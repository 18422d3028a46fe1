// gswin32c.exe for Wine: hands its command line and the job on its standard
// input to the host's Ghostscript (/usr/bin/gs) and answers gs's exit code.
//
// Windows paths among the arguments (-sOutputFile=..., @responsefile, an
// absolute path) become Unix paths through Wine's wine_get_unix_file_name.
// The job is read from standard input into a file first, because the host
// program cannot inherit a Windows handle. Wine starts a host program by its
// Unix path but gives no handle to wait on, so the shell script that runs gs
// writes gs's exit code into a file "done", which this program polls for.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitLimitMs = 180000;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

// The Unix path of a Windows path, or the empty text.
std::string UnixPath(const std::wstring& windowsPath) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(windowsPath.c_str());
  if (!unix) return {};
  std::string out(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

bool IsWindowsAbsolute(const std::wstring& s) {
  return s.size() >= 3 && iswalpha(s[0]) && s[1] == L':' && (s[2] == L'\\' || s[2] == L'/');
}

// One argument for the host's gs: Windows paths translated, the rest as UTF-8.
std::string HostArgument(const std::wstring& arg) {
  static const std::wstring kOutput = L"-sOutputFile=";
  if (arg.size() > 1 && arg[0] == L'@') return "@" + UnixPath(arg.substr(1));
  if (arg.compare(0, kOutput.size(), kOutput) == 0 && IsWindowsAbsolute(arg.substr(kOutput.size())))
    return Utf8(kOutput) + UnixPath(arg.substr(kOutput.size()));
  if (IsWindowsAbsolute(arg)) return UnixPath(arg);
  return Utf8(arg);
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool WriteAll(const std::wstring& path, const std::string& data) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
            written == data.size();
  CloseHandle(h);
  return ok;
}

bool ReadAll(const std::wstring& path, std::string& data) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  data.clear();
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  CloseHandle(h);
  return true;
}

// Standard input up to its end, into the file at path.
bool CopyStdinTo(const std::wstring& path) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  char buf[65536];
  DWORD got = 0, written = 0;
  bool ok = true;
  if (in != nullptr && in != INVALID_HANDLE_VALUE) {
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
      if (!WriteFile(out, buf, got, &written, nullptr) || written != got) { ok = false; break; }
    }
  }
  CloseHandle(out);
  return ok;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 255;

  wchar_t tempBase[MAX_PATH];
  GetTempPathW(MAX_PATH, tempBase);
  std::wstring work = std::wstring(tempBase) + L"gsstandin-" + std::to_wstring(GetCurrentProcessId()) +
                      L"-" + std::to_wstring(GetTickCount());
  CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring job = work + L"\\job.ps", script = work + L"\\run.sh", done = work + L"\\done",
                     log = work + L"\\gs.log";

  bool usesStdin = false;
  std::string command = "/usr/bin/gs";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"-") usesStdin = true;
    command += " " + ShellQuote(HostArgument(arg));
  }
  LocalFree(argv);
  if (usesStdin && !CopyStdinTo(job)) {
    fprintf(stderr, "gswin32c stand-in: cannot store the job\n");
    return 255;
  }
  const std::string unixWork = UnixPath(work);
  if (unixWork.empty()) {
    fprintf(stderr, "gswin32c stand-in: no Unix path for %s\n", Utf8(work).c_str());
    return 255;
  }
  std::string sh = "#!/bin/sh\nPATH=/usr/bin:/bin; export PATH\ncd /\n" + command + " <" +
                   ShellQuote(usesStdin ? unixWork + "/job.ps" : "/dev/null") + " >" +
                   ShellQuote(unixWork + "/gs.log") + " 2>&1\necho $? >" + ShellQuote(unixWork + "/done.tmp") +
                   "\nmv " + ShellQuote(unixWork + "/done.tmp") + " " + ShellQuote(unixWork + "/done") + "\n";
  WriteAll(script, sh);

  // Wine starts a host program named by its Unix path; the script's path is
  // passed as a Unix path too, since the host shell gets it as it is.
  std::wstring cmdline = L"/bin/sh " + Wide(unixWork + "/run.sh");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmdline.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    fprintf(stderr, "gswin32c stand-in: cannot start /bin/sh (error %lu)\n", GetLastError());
    return 255;
  }
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);

  std::string code;
  DWORD waited = 0;
  while (!ReadAll(done, code)) {
    if (waited >= kWaitLimitMs) {
      fprintf(stderr, "gswin32c stand-in: gs did not finish within %lu ms\n", kWaitLimitMs);
      return 254;
    }
    Sleep(100);
    waited += 100;
  }
  std::string output;
  if (ReadAll(log, output) && !output.empty()) {
    fwrite(output.data(), 1, output.size(), stdout);
    fflush(stdout);
  }
  int rc = atoi(code.c_str());
  fprintf(stderr, "gswin32c stand-in: gs exit code %d\n", rc);
  DeleteFileW(job.c_str());
  DeleteFileW(script.c_str());
  DeleteFileW(done.c_str());
  DeleteFileW(log.c_str());
  RemoveDirectoryW(work.c_str());
  return rc;
}
