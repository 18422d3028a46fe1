// The simulated machine's state: its creation and reset, call counting,
// handle values and the counts of what is open.
#include <memory>

#include "platform/sim/sim_state.h"

namespace platform::sim {
namespace detail {

State::State() {
  static const char* const kRootNames[7] = {
      "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
  for (int i = 0; i < 7; ++i) {
    roots[i] = std::make_shared<Key>();
    roots[i]->name = kRootNames[i];
    roots[i]->root = i;
  }
}

namespace {
std::unique_ptr<State>& Slot() {
  static std::unique_ptr<State> state;
  return state;
}
}  // namespace

State& Machine() {
  if (!Slot()) Reset();
  return *Slot();
}

void Count(const char* function) { ++Machine().calls[function]; }

std::intptr_t NewHandleValue() {
  const std::intptr_t value = Machine().nextHandle;
  Machine().nextHandle += 4;
  return value;
}

}  // namespace detail

using namespace detail;

void Reset() {
  Slot() = std::make_unique<State>();
  AddDrive("C:");
  AddFolder(kSystemFolder);
}

int CallCount(const std::string& function) {
  const auto it = Machine().calls.find(function);
  return it == Machine().calls.end() ? 0 : it->second;
}

OpenObjects OpenCounts() {
  const State& m = Machine();
  return {static_cast<int>(m.keys.size()),
          static_cast<int>(m.files.size() + m.processes.size() + m.threads.size() +
                           m.spooler.handles.size() + m.services.handles.size()),
          static_cast<int>(m.finds.size())};
}

}  // namespace platform::sim
