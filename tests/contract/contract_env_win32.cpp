// The contract cases on the real platform (under Wine in the Win64 build).
#include "platform/owners.h"
#include "platform/test_hooks.h"
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

std::string ChildPath(const std::string& folder) { return folder + "\\Contract Child\\contract child.exe"; }

// Copies this test program into a folder with a blank in its name below the
// case's folder, once per case.
std::string ChildCommandLine(const std::string& folder, const std::string& actions) {
  const std::string target = ChildPath(folder);
  if (platform::GetFileAttributesA(target) == platform::kInvalidFileAttributes) {
    std::string self;
    (void)platform::GetModuleFileNameA(&self);
    (void)platform::CreateDirectoryA(folder + "\\Contract Child");
    platform::UniqueHandle in(platform::CreateFileA(self, platform::kGenericRead,
                                                    platform::kFileShareRead, platform::kOpenExisting));
    platform::UniqueHandle out(
        platform::CreateFileA(target, platform::kGenericWrite, 0, platform::kCreateAlways));
    std::string chunk;
    while (in.IsValid() && out.IsValid() && platform::ReadFile(in.Get(), &chunk, 1 << 20) &&
           !chunk.empty() && platform::WriteFile(out.Get(), chunk)) {
    }
  }
  return "\"" + target + "\" " + kChildSwitch + " " + actions;
}

// What Wine 8 reports (the key is opened, not created, all the same).
platform::Dword EmptySubkeyDisposition() { return platform::kRegCreatedNewKey; }
bool DosMaskRules() { return false; }
platform::Dword RedirectionTrustAnswer() { return 0; }
platform::Dword FileWithClosingBackslashError() { return platform::kErrorPathNotFound; }

platform::Dword StoppedSpoolerPrinterError() { return static_cast<platform::Dword>(platform::kErrorInvalidPrinterName); }

}  // namespace contract
