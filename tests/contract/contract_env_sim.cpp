// The contract cases on the simulated platform.
#include "platform/sim.h"
#include "tests/contract/contract_child.h"
#include "tests/contract/contract_env.h"

namespace contract {

namespace {
constexpr char kTemp[] = "C:\\Users\\Contract\\Temp";
constexpr char kChildPath[] = "C:\\Contract Child\\contract child.exe";
}  // namespace

void PrepareBackend() {
  platform::sim::Reset();
  platform::sim::AddFolder(kTemp);
  platform::sim::SetEnv("TEMP", std::string(kTemp));
}

std::string TempFolder() { return kTemp; }

std::string ChildCommandLine(const std::string& actions) {
  // A child that sleeps is still running at the first polls, as the real
  // one would be.
  const int waits = actions.find("sleep:") != std::string::npos ? 3 : 0;
  platform::sim::AddFile(kChildPath, "MZ");
  platform::sim::AddProgram(
      kChildPath,
      [](const std::string& commandLine) {
        const std::string marker = std::string(kChildSwitch) + " ";
        const std::size_t at = commandLine.find(marker);
        return RunChild(at == std::string::npos ? std::string()
                                                : commandLine.substr(at + marker.size()));
      },
      waits);
  return std::string("\"") + kChildPath + "\" " + kChildSwitch + " " + actions;
}

platform::Dword EmptySubkeyDisposition() { return platform::kRegOpenedExistingKey; }

}  // namespace contract
