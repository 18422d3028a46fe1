// The contract cases on the simulated platform.
#include <cstdlib>

#include "platform/sim/sim.h"
#include "tests/contract/contract_child.h"
#include "tests/contract/contract_env.h"

namespace contract {

namespace {
constexpr char kTemp[] = "C:\\Users\\Contract\\Temp";
}  // namespace

void PrepareBackend() {
  platform::sim::Reset();
  platform::sim::AddFile(std::string(platform::sim::kSystemFolder) + "\\rundll32.exe", "MZ");
  platform::sim::AddFolder(kTemp);
  platform::sim::SetEnv("TEMP", std::string(kTemp));
  platform::sim::AddKey(platform::kHkeyClassesRoot, "CLSID");  // there on every system
}

std::string TempFolder() { return kTemp; }

std::string ChildPath(const std::string& folder) { return folder + "\\Contract Child\\contract child.exe"; }

std::string ChildCommandLine(const std::string& folder, const std::string& actions) {
  // A child that sleeps is still running at the first polls, as the real
  // one would be; one that sleeps a minute or more outlasts any wait of a
  // case, until it is ended.
  const std::size_t sleep = actions.find("sleep:");
  const int waits = sleep == std::string::npos                                   ? 0
                    : std::strtoul(actions.c_str() + sleep + 6, nullptr, 10) >= 60000 ? platform::sim::kNeverEnds
                                                                                    : 3;
  platform::sim::AddFile(ChildPath(folder), "MZ");
  platform::sim::AddProgram(
      ChildPath(folder),
      [](const std::string& commandLine) {
        const std::string marker = std::string(kChildSwitch) + " ";
        const std::size_t at = commandLine.find(marker);
        return RunChild(at == std::string::npos ? std::string()
                                                : commandLine.substr(at + marker.size()));
      },
      waits);
  return "\"" + ChildPath(folder) + "\" " + kChildSwitch + " " + actions;
}

platform::Dword EmptySubkeyDisposition() { return platform::kRegOpenedExistingKey; }
bool DosMaskRules() { return true; }
platform::Dword RedirectionTrustAnswer() { return platform::kErrorProcNotFound; }
platform::Dword FileWithClosingBackslashError() { return platform::kErrorInvalidName; }

platform::Dword StoppedSpoolerPrinterError() { return static_cast<platform::Dword>(platform::kRpcServerUnavailable); }

}  // namespace contract
