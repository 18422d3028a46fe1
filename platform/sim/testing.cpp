// The test hooks on the simulated platform; reading files, removing folders
// and setting variables act on the simulated file system and environment.
#include <algorithm>

#include "platform/sim/sim_state.h"
#include "platform/test_hooks.h"

namespace platform {

using namespace sim::detail;

bool GetProcessCpuTime(std::uint64_t* time100ns) {
  // One scheduler tick (15.625 ms) more at every call.
  *time100ns = Machine().cpuTime += 156250;
  return true;
}

Hwnd CreateCountingWindow() {
  const Hwnd window = 0x10000 + NewHandleValue();
  Machine().windows[window];
  return window;
}

int CountingWindowReceived(Hwnd window, Dword message) {
  const auto& windows = Machine().windows;
  const auto it = windows.find(window);
  if (it == windows.end()) return 0;
  const auto count = it->second.find(message);
  return count == it->second.end() ? 0 : count->second;
}

bool DestroyWindow(Hwnd window) {
  State& m = Machine();
  if (m.windows.erase(window) == 0) return Fail(kErrorInvalidWindowHandle);
  // Messages still queued for the window go with it.
  std::vector<Message> kept;
  for (const Message& message : m.messages) {
    if (message.window != window) kept.push_back(message);
  }
  m.messages = kept;
  return true;
}

bool PostMessageA(Hwnd window, Dword message, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
  // Window 0 posts to the thread's queue; any other must be a live window.
  if (window != 0 && Machine().windows.count(window) == 0) return Fail(kErrorInvalidWindowHandle);
  Machine().messages.push_back(Message{window, message});
  return true;
}

bool RemoveDirectoryA(const std::string& path) {
  Count("RemoveDirectoryA");
  Resolved r;
  if (!Existing(path, &r)) return false;
  if (!r.node->parent) return Fail(kErrorAccessDenied);
  if (!r.node->folder) return Fail(kErrorDirectory);
  if (!r.node->children.empty()) return Fail(kErrorDirNotEmpty);
  if ((r.node->attributes & kFileAttributeReadonly) != 0) return Fail(kErrorAccessDenied);
  // The process holds its current directory open.
  const std::string current = Fold(Machine().currentDir) + "\\";
  const std::string removed = Fold(NodePath(*r.node)) + "\\";
  if (current.compare(0, removed.size(), removed) == 0) return Fail(kErrorSharingViolation);
  RemoveNode(r.node);
  return true;
}

bool SetEnvironmentVariableA(const std::string& name, const char* value) {
  Count("SetEnvironmentVariableA");
  // A "=" may only lead the name (as in the per-drive "=C:" entries).
  if (name.empty() || name.find('=', 1) != std::string::npos) return Fail(kErrorInvalidParameter);
  sim::SetEnv(name, value == nullptr ? std::nullopt : std::optional<std::string>(value));
  return true;
}

bool DeleteKeyTree(HKey root, const std::string& path) {
  const auto key = FindKey(root, path);
  if (!key || key->parent == nullptr) return !key;
  auto& siblings = key->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), key));
  return true;
}

bool AddPrinterForTest(const std::string& name, const std::string& port, const std::string& driver) {
  sim::AddPrinter(name, port, driver);
  return true;
}

int ApplicationPointer() { return Machine().pointer; }

}  // namespace platform
