// The simulated process environment: variables, the module path, the
// command line and the processor architecture of the simulated Windows.
#include <algorithm>

#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {
auto FindVariable(const std::string& name) {
  auto& env = Machine().environment;
  return std::find_if(env.begin(), env.end(),
                      [&](const auto& entry) { return SameName(entry.first, name); });
}
}  // namespace

bool GetEnvironmentVariableA(const std::string& name, std::string* value) {
  Count("GetEnvironmentVariableA");
  const auto it = FindVariable(name);
  if (name.empty() || it == Machine().environment.end()) return Fail(kErrorEnvvarNotFound);
  *value = it->second;
  return true;
}

bool GetModuleFileNameA(std::string* path) {
  Count("GetModuleFileNameA");
  *path = Machine().modulePath;
  return true;
}

std::string GetCommandLineA() {
  Count("GetCommandLineA");
  const State& m = Machine();
  return m.commandLine ? *m.commandLine : "\"" + m.modulePath + "\"";
}

void GetNativeSystemInfo(SystemInfo* info) {
  Count("GetNativeSystemInfo");
  info->processorArchitecture = Machine().nativeArchitecture;
}

void sim::SetEnv(const std::string& name, std::optional<std::string> value) {
  auto& env = Machine().environment;
  const auto it = FindVariable(name);
  if (it != env.end()) env.erase(it);
  if (value) env.emplace_back(name, *value);
}

void sim::SetModulePath(const std::string& path) { Machine().modulePath = path; }

void sim::SetCommandLine(const std::string& commandLine) { Machine().commandLine = commandLine; }

void sim::SetNativeArchitecture(Word architecture) { Machine().nativeArchitecture = architecture; }

}  // namespace platform
