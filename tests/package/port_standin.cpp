// The redirected port's side of a print job, as the monitor does it: reads
// the port's "Command" value from the registry and runs it through cmd with
// the job file as standard input, waiting for the end.
//   port_standin JOBFILE [PORT]   answers the command's exit code
// It prints the command line it ran, so a test log shows it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t kMonitors[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";

// The port's Command value below either name of the monitor, or empty.
std::wstring PortCommand(const std::wstring& port) {
  for (const wchar_t* monitor : {L"Redirected Port", L"Umgeleiteter Anschlu\u00df"}) {
    std::wstring key = std::wstring(kMonitors) + monitor + L"\\Ports\\" + port;
    wchar_t value[4096];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Command", RRF_RT_REG_SZ, nullptr, value, &size) ==
        ERROR_SUCCESS)
      return value;
  }
  return {};
}

// Wide text as UTF-8, the encoding of the test logs.
std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: port_standin JOBFILE [PORT]\n");
    return 2;
  }
  std::wstring port = argc > 2 ? argv[2] : L"Dravelin:";
  std::wstring command = PortCommand(port);
  if (command.empty()) {
    fprintf(stderr, "port_standin: no Command value for port %s\n", Utf8(port).c_str());
    return 3;
  }
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE job = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (job == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "port_standin: cannot open the job %s (error %lu)\n", Utf8(argv[1]).c_str(), GetLastError());
    return 4;
  }
  // The path quoted once more, as CreateProcess does when it hands a batch
  // file to cmd: by cmd's rule for /c ("cmd /?") a quoted string holding one
  // of &<>()@^| loses its first and last quote, and the installation folder
  // below "C:\Program Files (x86)" has parentheses. Whether RedMon starts the
  // script that way only Windows shows.
  std::wstring cmdline = L"cmd.exe /c \"\"" + command + L"\"\"";
  printf("port_standin: %s < %s\n", Utf8(cmdline).c_str(), Utf8(argv[1]).c_str());
  fflush(stdout);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = job;
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  BOOL started = CreateProcessW(nullptr, cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  DWORD error = GetLastError();
  if (!started && error == ERROR_INTERNAL_ERROR) {
    // Seen once under wine64 with two prefixes starting at the same time;
    // a second try a moment later starts cmd.
    fprintf(stderr, "port_standin: starting cmd failed with error %lu, trying once more\n", error);
    Sleep(1000);
    started = CreateProcessW(nullptr, cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    error = GetLastError();
  }
  CloseHandle(job);
  if (!started) {
    fprintf(stderr, "port_standin: cannot start cmd (error %lu)\n", error);
    return 5;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  printf("port_standin: exit code %lu\n", code);
  return static_cast<int>(code);
}
