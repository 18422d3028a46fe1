// The simulated machine's state, its reset, call counting, the last-error
// value, FormatMessageA and the process environment.
#include <algorithm>
#include <map>
#include <memory>

#include "platform/platform.h"
#include "platform/sim.h"
#include "platform/sim/sim_state.h"

namespace platform {
namespace sim::detail {

namespace {

std::unique_ptr<State> NewMachine() {
  auto state = std::make_unique<State>();
  static const char* const kRootNames[7] = {
      "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
  for (int i = 0; i < 7; ++i) {
    state->roots[i] = std::make_shared<Key>();
    state->roots[i]->name = kRootNames[i];
    state->roots[i]->root = i;
  }
  auto drive = std::make_shared<Node>();
  drive->name = "C:";
  drive->folder = true;
  drive->attributes = kFileAttributeDirectory;
  state->drives['C'] = drive;
  return state;
}

std::unique_ptr<State>& Slot() {
  static std::unique_ptr<State> state = NewMachine();
  return state;
}

}  // namespace

State& Machine() { return *Slot(); }

void Count(const char* function) { ++Machine().calls[function]; }

Dword SetError(Dword code) {
  Machine().lastError = code;
  return code;
}

std::intptr_t NewHandleValue() {
  State& m = Machine();
  const std::intptr_t value = m.nextHandle;
  m.nextHandle += 4;
  return value;
}

std::string Fold(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    const auto b = static_cast<unsigned char>(c);
    unsigned char up = b;
    if (b >= 'a' && b <= 'z') {
      up = static_cast<unsigned char>(b - 0x20);
    } else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) {
      up = static_cast<unsigned char>(b - 0x20);  // à..þ to À..Þ, ÷ has no case
    } else if (b == 0x9A || b == 0x9C || b == 0x9E) {
      up = static_cast<unsigned char>(b - 0x10);  // š œ ž to Š Œ Ž
    } else if (b == 0xFF) {
      up = 0x9F;  // ÿ to Ÿ
    }
    c = static_cast<char>(up);
  }
  return folded;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Fold(a) == Fold(b);
}

}  // namespace sim::detail

using namespace sim::detail;

Dword GetLastError() { return Machine().lastError; }
void SetLastError(Dword code) { Machine().lastError = code; }

std::string FormatMessageA(Dword code) {
  Count("FormatMessageA");
  // The system's English texts (FORMAT_MESSAGE_IGNORE_INSERTS), without the
  // closing CR LF.
  static const std::map<Dword, const char*> kTexts = {
      {0, "The operation completed successfully."},
      {1, "Incorrect function."},
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {8, "Not enough memory resources are available to process this command."},
      {15, "The system cannot find the drive specified."},
      {18, "There are no more files."},
      {32, "The process cannot access the file because it is being used by another process."},
      {53, "The network path was not found."},
      {80, "The file exists."},
      {87, "The parameter is incorrect."},
      {122, "The data area passed to a system call is too small."},
      {123, "The filename, directory name, or volume label syntax is incorrect."},
      {145, "The directory is not empty."},
      {161, "The specified path is invalid."},
      {183, "Cannot create a file when that file already exists."},
      {193, "%1 is not a valid Win32 application."},
      {203, "The system could not find the environment option that was entered."},
      {234, "More data is available."},
      {259, "No more data is available."},
      {267, "The directory name is invalid."},
      {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
      {1400, "Invalid window handle."},
      {1402, "Invalid cursor handle."},
  };
  const auto it = kTexts.find(code);
  if (it == kTexts.end()) {
    SetError(317);  // ERROR_MR_MID_NOT_FOUND
    return "Fehler " + std::to_string(code);
  }
  return it->second;
}

// ----------------------------------------------------------- environment

namespace {

std::vector<std::pair<std::string, std::string>>::iterator FindVariable(const std::string& name) {
  auto& env = Machine().environment;
  return std::find_if(env.begin(), env.end(),
                      [&](const auto& entry) { return SameName(entry.first, name); });
}

}  // namespace

bool GetEnvironmentVariableA(const std::string& name, std::string* value) {
  Count("GetEnvironmentVariableA");
  const auto it = FindVariable(name);
  if (name.empty() || it == Machine().environment.end()) {
    SetError(kErrorEnvvarNotFound);
    return false;
  }
  *value = it->second;
  return true;
}

bool SetEnvironmentVariableA(const std::string& name, const char* value) {
  Count("SetEnvironmentVariableA");
  // A "=" may only lead the name (as in the per-drive "=C:" entries).
  if (name.empty() || name.find('=', 1) != std::string::npos) {
    SetError(kErrorInvalidParameter);
    return false;
  }
  sim::SetEnv(name, value == nullptr ? std::nullopt : std::optional<std::string>(value));
  return true;
}

bool GetModuleFileNameA(std::string* path) {
  Count("GetModuleFileNameA");
  *path = Machine().modulePath;
  return true;
}

namespace sim {

void Reset() { Slot() = NewMachine(); }

int CallCount(const std::string& function) {
  const auto& calls = Machine().calls;
  const auto it = calls.find(function);
  return it == calls.end() ? 0 : it->second;
}

int OpenKeyCount() { return static_cast<int>(Machine().keys.size()); }

int OpenHandleCount() {
  const State& m = Machine();
  return static_cast<int>(m.files.size() + m.finds.size() + m.processes.size() + m.threads.size());
}

void SetEnv(const std::string& name, std::optional<std::string> value) {
  auto& env = Machine().environment;
  const auto it = FindVariable(name);
  if (!value) {
    if (it != env.end()) env.erase(it);
  } else if (it != env.end()) {
    it->second = *value;
  } else {
    env.emplace_back(name, *value);
  }
}

void SetModulePath(const std::string& path) { Machine().modulePath = path; }

}  // namespace sim
}  // namespace platform
