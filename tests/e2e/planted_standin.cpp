// A program a standard user plants where a search would find it: if it ever
// runs, it leaves the mark "<its own path>.ran" and ends with 0.
#include <windows.h>

#include <string>

int main() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const HANDLE mark = CreateFileA((std::string(self) + ".ran").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return 0;
}
