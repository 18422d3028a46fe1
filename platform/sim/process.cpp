// Simulated processes, waits, kernel handles and the thread's message queue.
#include <algorithm>
#include <memory>

#include "platform/platform.h"
#include "platform/sim.h"
#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {

bool HasFolder(const std::string& token) {
  return token.find_first_of("\\/") != std::string::npos || (token.size() >= 2 && token[1] == ':');
}

std::string Extension(const std::string& token) {
  const std::size_t slash = token.find_last_of("\\/");
  const std::size_t dot = token.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Fold(token.substr(dot));
}

const ProgramEntry* ByName(const std::string& name) {
  const std::string bare = Extension(name) == ".EXE" ? name.substr(0, name.size() - 4) : name;
  for (const ProgramEntry& entry : Machine().programs) {
    if (entry.bare && SameName(entry.key, bare)) return &entry;
  }
  return nullptr;
}

// What a file found at a full path runs: its registered program, or for a
// batch file the program registered as "cmd".
const ProgramEntry* AtPath(const std::string& full) {
  const std::string ext = Extension(full);
  if (ext == ".CMD" || ext == ".BAT") {
    if (const ProgramEntry* cmd = ByName("cmd")) return cmd;
  }
  for (const ProgramEntry& entry : Machine().programs) {
    if (entry.bare) continue;
    const auto registered = FullPath(entry.key);
    if (registered && SameName(*registered, full)) return &entry;
  }
  return nullptr;
}

// The program for one candidate token, searched as CreateProcessA searches:
// ".exe" appended when the name has no extension; a token with a folder
// names one file; a bare name is looked for beside this executable, in the
// current directory, and then among the system's programs (bare names).
const ProgramEntry* FindProgram(const std::string& token, Dword* error) {
  if (token.empty()) return nullptr;
  const std::string name = Extension(token).empty() ? token + ".exe" : token;
  std::vector<std::string> candidates;
  if (HasFolder(token)) {
    candidates.push_back(name);
  } else {
    const std::string& module = Machine().modulePath;
    candidates.push_back(module.substr(0, module.rfind('\\') + 1) + name);
    candidates.push_back(Machine().currentDir + (Machine().currentDir.back() == '\\' ? "" : "\\") + name);
  }
  bool fileThere = false;
  for (const std::string& candidate : candidates) {
    const Resolved r = Resolve(candidate);
    if (r.error != 0 || !r.node || r.node->folder) continue;
    fileThere = true;
    if (const ProgramEntry* entry = AtPath(r.full)) return entry;
  }
  if (!HasFolder(token)) {
    if (const ProgramEntry* entry = ByName(token)) return entry;
  }
  // A file is there, but nothing is scripted for it.
  if (fileThere) *error = kErrorBadExeFormat;
  return nullptr;
}

std::shared_ptr<Process> ProcessOf(Handle handle, bool threadsToo) {
  State& m = Machine();
  if (const auto it = m.processes.find(handle); it != m.processes.end()) return it->second;
  if (threadsToo) {
    if (const auto it = m.threads.find(handle); it != m.threads.end()) return it->second;
  }
  return nullptr;
}

bool IsKernelHandle(Handle handle) {
  const State& m = Machine();
  return m.processes.count(handle) != 0 || m.threads.count(handle) != 0 || m.files.count(handle) != 0;
}

// One wait on an object. A zero-timeout poll of a running process times out
// once per configured wait; a wait with a timeout lasts until the process has
// ended, as a wait for a child that ends within it does.
Dword WaitOn(Handle handle, Dword milliseconds) {
  State& m = Machine();
  if (m.processes.count(handle) != 0) {
    ++m.processWaits;
    if (milliseconds != 0) ++m.blockingProcessWaits;
  }
  const auto process = ProcessOf(handle, true);
  if (!process) {
    if (m.files.count(handle) != 0) return kWaitObject0;  // file handles are signalled
    SetError(kErrorInvalidHandle);
    return kWaitFailed;
  }
  if (process->remaining == 0) return kWaitObject0;
  if (milliseconds != 0) {
    process->remaining = 0;
    return kWaitObject0;
  }
  --process->remaining;
  return kWaitTimeout;
}

}  // namespace

Dword StartupInfoSize() {
  // sizeof(STARTUPINFOA): 68 bytes on 32-bit Windows, 104 on 64-bit.
  return sizeof(void*) == 8 ? 104 : 68;
}

bool CreateProcessA(const std::string& commandLine, bool inheritHandles, Dword creationFlags,
                    const StartupInfoA& startup, ProcessInformation* info) {
  Count("CreateProcessA");
  State& m = Machine();
  sim::ProcessCall call;
  call.commandLine = commandLine;
  call.inheritHandles = inheritHandles;
  call.creationFlags = creationFlags;
  call.startupCb = startup.cb;
  call.startupFlags = startup.flags;
  call.showWindow = startup.showWindow;
  call.pointer = m.pointer;
  const std::size_t index = m.processCalls.size();
  m.processCalls.push_back(call);

  // The program is the first token: a quoted string, or for an unquoted
  // command line each prefix ending at a blank in turn, the whole line last
  // ("C:\Program Files\x.exe a" tries "C:\Program", then
  // "C:\Program Files\x.exe", then the whole line).
  std::vector<std::string> tokens;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const std::size_t close = commandLine.find('"', 1);
    tokens.push_back(commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  } else {
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
      if (commandLine[i] == ' ' || commandLine[i] == '\t') tokens.push_back(commandLine.substr(0, i));
    }
    tokens.push_back(commandLine);
  }
  Dword error = kErrorFileNotFound;
  const ProgramEntry* found = nullptr;
  for (const std::string& token : tokens) {
    found = FindProgram(token, &error);
    if (found != nullptr || error != kErrorFileNotFound) break;
  }
  if (found == nullptr) return SetError(error), false;

  const sim::Program program = found->program;  // the callback may add programs
  auto process = std::make_shared<Process>();
  process->remaining = found->waits;
  process->exitCode = program ? program(commandLine) : 0;

  State& after = Machine();  // the callback may even reset the machine
  const Handle processHandle = NewHandleValue();
  const Handle threadHandle = NewHandleValue();
  after.processes[processHandle] = process;
  after.threads[threadHandle] = process;
  if (index < after.processCalls.size()) after.processCalls[index].started = true;
  info->process = processHandle;
  info->thread = threadHandle;
  info->processId = after.nextProcessId;
  info->threadId = after.nextProcessId + 4;
  after.nextProcessId += 8;
  return true;
}

Dword WaitForSingleObject(Handle handle, Dword milliseconds) {
  Count("WaitForSingleObject");
  return WaitOn(handle, milliseconds);
}

Dword MsgWaitForMultipleObjects(Handle handle, Dword milliseconds, Dword wakeMask) {
  Count("MsgWaitForMultipleObjects");
  State& m = Machine();
  const auto process = ProcessOf(handle, true);
  // The handle is looked at before the queue.
  if (process && process->remaining == 0) {
    if (m.processes.count(handle) != 0) {
      ++m.processWaits;
      if (milliseconds != 0) ++m.blockingProcessWaits;
    }
    return kWaitObject0;
  }
  // QS_POSTMESSAGE (0x8) is the kind of input the simulation queues.
  if ((wakeMask & 0x8) != 0 && !m.messages.empty() && (process || IsKernelHandle(handle))) {
    if (m.processes.count(handle) != 0) {
      ++m.processWaits;
      if (milliseconds != 0) ++m.blockingProcessWaits;
    }
    return kWaitObject0 + 1;
  }
  return WaitOn(handle, milliseconds);
}

bool CloseHandle(Handle handle) {
  Count("CloseHandle");
  State& m = Machine();
  if (m.processes.erase(handle) != 0 || m.threads.erase(handle) != 0 || m.files.erase(handle) != 0) {
    return true;
  }
  return SetError(kErrorInvalidHandle), false;
}

bool GetExitCodeProcess(Handle process, Dword* exitCode) {
  Count("GetExitCodeProcess");
  const auto p = ProcessOf(process, false);
  if (!p) return SetError(kErrorInvalidHandle), false;
  *exitCode = p->remaining == 0 ? p->exitCode : kStillActive;
  return true;
}

int DispatchPendingMessages() {
  Count("DispatchPendingMessages");
  State& m = Machine();
  int dispatched = 0;
  while (!m.messages.empty()) {
    const Message message = m.messages.front();
    m.messages.erase(m.messages.begin());
    ++dispatched;
    if (m.liveWindows.count(message.window) != 0) ++m.windows[message.window][message.message];
  }
  return dispatched;
}

void Sleep(Dword /*milliseconds*/) { Count("Sleep"); }

bool GetProcessCpuTime(std::uint64_t* time100ns) {
  Count("GetProcessCpuTime");
  // One scheduler tick (15.625 ms) more at every call.
  Machine().cpuTime += 156250;
  *time100ns = Machine().cpuTime;
  return true;
}

Hwnd CreateCountingWindow() {
  Count("CreateCountingWindow");
  const Hwnd window = 0x10000 + NewHandleValue();
  Machine().liveWindows.insert(window);
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
  Count("DestroyWindow");
  State& m = Machine();
  if (m.liveWindows.erase(window) == 0) return SetError(kErrorInvalidWindowHandle), false;
  // Messages still queued for the window go with it.
  m.messages.erase(std::remove_if(m.messages.begin(), m.messages.end(),
                                  [window](const Message& msg) { return msg.window == window; }),
                   m.messages.end());
  return true;
}

bool PostMessageA(Hwnd window, Dword message, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
  Count("PostMessageA");
  State& m = Machine();
  // Window 0 posts to the thread's queue; any other must be a live window.
  if (window != 0 && m.liveWindows.count(window) == 0) return SetError(kErrorInvalidWindowHandle), false;
  m.messages.push_back(Message{window, message});
  return true;
}

namespace sim {

void AddProgram(const std::string& pathOrName, Program program, int waits) {
  ProgramEntry entry;
  entry.bare = !HasFolder(pathOrName);
  entry.key = entry.bare && Extension(pathOrName) == ".EXE" ? pathOrName.substr(0, pathOrName.size() - 4)
                                                            : pathOrName;
  entry.program = std::move(program);
  entry.waits = std::max(waits, 0);
  Machine().programs.push_back(std::move(entry));
}

const std::vector<ProcessCall>& Processes() { return Machine().processCalls; }
int ProcessWaits() { return Machine().processWaits; }
int BlockingProcessWaits() { return Machine().blockingProcessWaits; }

}  // namespace sim
}  // namespace platform
