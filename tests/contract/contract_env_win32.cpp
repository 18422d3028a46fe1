// The contract cases on the real platform (under Wine in the Win64 build).
#include "platform/owners.h"
#include "tests/contract/contract_child.h"
#include "tests/contract/contract_env.h"

namespace contract {

void PrepareBackend() {}

std::string TempFolder() {
  std::string temp;
  if (!platform::GetEnvironmentVariableA("TEMP", &temp)) temp = "C:\\windows\\temp";
  while (!temp.empty() && temp.back() == '\\') temp.pop_back();
  return temp;
}

namespace {

// Copies this test program into a folder with a blank in its name, once.
std::string ChildProgram() {
  static const std::string path = [] {
    std::string self;
    if (!platform::GetModuleFileNameA(&self)) return std::string();
    const std::string folder = TempFolder() + "\\Contract Child";
    (void)platform::CreateDirectoryA(folder);
    const std::string target = folder + "\\contract child.exe";
    platform::UniqueHandle in(platform::CreateFileA(self, platform::kGenericRead,
                                                    platform::kFileShareRead, platform::kOpenExisting));
    platform::UniqueHandle out(
        platform::CreateFileA(target, platform::kGenericWrite, 0, platform::kCreateAlways));
    if (!in.IsValid() || !out.IsValid()) return std::string();
    std::string chunk;
    while (platform::ReadFile(in.Get(), &chunk, 1 << 20) && !chunk.empty()) {
      if (!platform::WriteFile(out.Get(), chunk)) return std::string();
    }
    return target;
  }();
  return path;
}

}  // namespace

std::string ChildCommandLine(const std::string& actions) {
  return "\"" + ChildProgram() + "\" " + kChildSwitch + " " + actions;
}

// What Wine 8 reports (the key is opened, not created, all the same).
platform::Dword EmptySubkeyDisposition() { return platform::kRegCreatedNewKey; }

}  // namespace contract
