// Test tool: the spooler service through the real service manager.
//   spooler_tool state   prints "Spooler <state>" (4: running, 1: stopped)
//   spooler_tool break   points the spooler's program at a missing file, so
//                        that once stopped it can't start again
// Exit code 0, or 1 with the failed call and its error printed.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE spooler = manager == nullptr ? nullptr
                                         : OpenServiceA(manager, "Spooler", SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG);
  if (spooler == nullptr) {
    std::printf("OpenServiceA Spooler failed: error %lu\n", GetLastError());
    return 1;
  }
  int rc = 0;
  if (std::strcmp(argv[1], "state") == 0) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(spooler, &status)) {
      std::printf("Spooler %lu\n", status.dwCurrentState);
    } else {
      std::printf("QueryServiceStatus failed: error %lu\n", GetLastError());
      rc = 1;
    }
  } else if (std::strcmp(argv[1], "break") == 0) {
    if (!ChangeServiceConfigA(spooler, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, "C:\\fehlt\\spoolsv.exe",
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
      std::printf("ChangeServiceConfigA failed: error %lu\n", GetLastError());
      rc = 1;
    }
  } else {
    rc = 2;
  }
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
  return rc;
}
