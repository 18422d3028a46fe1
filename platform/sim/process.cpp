// Simulated processes: the program search of CreateProcessA, scripted
// child programs, waits, kernel handles and the thread's message queue.
#include <algorithm>

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

std::string WithoutExe(const std::string& name) {
  return Extension(name) == ".EXE" ? name.substr(0, name.size() - 4) : name;
}

const ProgramEntry* ByName(const std::string& name) {
  for (const ProgramEntry& entry : Machine().programs) {
    if (entry.bare && SameName(entry.key, WithoutExe(name))) return &entry;
  }
  return nullptr;
}

// What a file found at a full path runs: its registered program, for a
// batch file the program registered as "cmd", and for a program in the
// system folder the one registered by its bare name.
const ProgramEntry* AtPath(const std::string& full) {
  const std::string ext = Extension(full);
  if (ext == ".CMD" || ext == ".BAT") return ByName("cmd");
  const std::size_t cut = full.rfind('\\');
  if (cut != std::string::npos && SameName(full.substr(0, cut), sim::kSystemFolder)) {
    return ByName(full.substr(cut + 1));
  }
  for (const ProgramEntry& entry : Machine().programs) {
    const auto registered = entry.bare ? std::nullopt : FullPath(entry.key);
    if (registered && SameName(*registered, full)) return &entry;
  }
  return nullptr;
}

// The program for one candidate token, searched as CreateProcessA searches:
// ".exe" appended when the name has no extension; a token with a folder
// names one file; a bare name is looked for beside this executable, in the
// current directory, and then among the system's programs (bare names).
const ProgramEntry* FindProgram(const std::string& token, Dword* error) {
  const std::string name = Extension(token).empty() ? token + ".exe" : token;
  std::vector<std::string> candidates = {name};
  if (!HasFolder(token)) {
    const std::string& module = Machine().modulePath;
    candidates = {module.substr(0, module.rfind('\\') + 1) + name, Machine().currentDir + "\\" + name};
  }
  for (const std::string& candidate : candidates) {
    const Resolved r = Resolve(candidate);
    if (r.error != 0 || !r.node || r.node->folder) continue;
    if (const ProgramEntry* entry = AtPath(r.full)) return entry;
    *error = kErrorBadExeFormat;  // a file is there, but nothing is scripted for it
  }
  return HasFolder(token) ? nullptr : ByName(token);
}

std::shared_ptr<Process> ProcessOf(Handle handle) {
  State& m = Machine();
  if (const auto it = m.processes.find(handle); it != m.processes.end()) return it->second;
  if (const auto it = m.threads.find(handle); it != m.threads.end()) return it->second;
  return nullptr;
}

void CountWait(Handle handle, Dword milliseconds) {
  State& m = Machine();
  const auto it = m.processes.find(handle);
  if (it == m.processes.end()) return;
  ++m.processWaits;
  if (milliseconds == 0) return;
  ++m.blockingProcessWaits;
  if (it->second->call < m.processCalls.size() && m.processCalls[it->second->call].blockingWait == 0) {
    m.processCalls[it->second->call].blockingWait = milliseconds;
  }
}

// One wait on an object. A zero-timeout poll of a running process times out
// once per configured wait; a wait with a timeout lasts until the process has
// ended, as a wait for a child that ends within it does. A process that
// never ends lets a wait with a timeout time out (the clock moves on by it)
// and fails a wait without one, which would never return.
Dword WaitOn(Handle handle, Dword milliseconds) {
  CountWait(handle, milliseconds);
  const auto process = ProcessOf(handle);
  if (!process) {
    if (Machine().files.count(handle) != 0) return kWaitObject0;  // file handles are signalled
    Fail(kErrorInvalidHandle);
    return kWaitFailed;
  }
  if (process->remaining == 0) return kWaitObject0;
  if (process->remaining == sim::kNeverEnds) {
    if (milliseconds == kInfinite) return Fail(kErrorInvalidHandle), kWaitFailed;
    Machine().tickCount += milliseconds;
    return kWaitTimeout;
  }
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
  return CreateProcessA({}, commandLine, inheritHandles, creationFlags, {}, startup, info);
}

bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                    bool inheritHandles, Dword creationFlags, const std::string& currentDirectory,
                    const StartupInfoA& startup, ProcessInformation* info) {
  Count("CreateProcessA");
  State& m = Machine();
  sim::ProcessCall call{commandLine,     inheritHandles, creationFlags, startup.cb,
                        startup.flags,   startup.showWindow, false,    m.pointer,
                        applicationName, currentDirectory,   0,        false};
  m.processCalls.push_back(call);
  const std::size_t index = m.processCalls.size() - 1;

  std::string directory = m.currentDir;
  if (!currentDirectory.empty()) {
    Resolved r;
    if (!Existing(currentDirectory, &r)) return false;
    if (!r.node->folder) return Fail(kErrorDirectory);
    directory = r.full;
  }
  Dword error = kErrorFileNotFound;
  const ProgramEntry* found = nullptr;
  if (!applicationName.empty()) {
    // The application name is the program: no search, no extension added.
    const Resolved r = Resolve(applicationName);
    if (r.error != 0) {
      error = r.error;
    } else if (r.node && !r.node->folder) {
      found = AtPath(r.full);
      if (found == nullptr) error = kErrorBadExeFormat;  // a file, but nothing scripted for it
    } else if (!r.node) {
      found = AtPath(r.full);  // the system folder's programs need no file here
    }
  } else {
    // The program is the first token: a quoted string, or for an unquoted
    // command line each prefix ending at a blank in turn, the whole line last
    // ("C:\Program Files\x.exe a" tries "C:\Program", then
    // "C:\Program Files\x.exe", then the whole line).
    // Answers whether the search ends with this token.
    auto tryToken = [&](const std::string& token) {
      if (!token.empty()) found = FindProgram(token, &error);
      return found != nullptr || error != kErrorFileNotFound;
    };
    if (!commandLine.empty() && commandLine[0] == '"') {
      tryToken(commandLine.substr(1, commandLine.find('"', 1) - 1));
    } else {
      bool ended = false;
      for (std::size_t i = 0; i < commandLine.size() && !ended; ++i) {
        if (commandLine[i] == ' ' || commandLine[i] == '\t') ended = tryToken(commandLine.substr(0, i));
      }
      if (!ended) tryToken(commandLine);
    }
  }
  if (found == nullptr) return Fail(error);

  const sim::Program program = found->program;  // the callback may add programs
  auto process = std::make_shared<Process>();
  process->remaining = found->waits;
  process->call = index;
  // The child runs in its own current directory.
  const std::string callerDirectory = m.currentDir;
  m.currentDir = directory;
  process->exitCode = program ? program(commandLine) : 0;

  State& after = Machine();  // the callback may even reset the machine
  if (&after == &m) after.currentDir = callerDirectory;
  info->process = NewHandleValue();
  info->thread = NewHandleValue();
  after.processes[info->process] = process;
  after.threads[info->thread] = process;
  if (index < after.processCalls.size()) after.processCalls[index].started = true;
  process->id = after.nextProcessId;
  info->processId = after.nextProcessId;
  info->threadId = after.nextProcessId + 4;
  after.nextProcessId += 8;
  return true;
}

bool TerminateProcess(Handle handle, Dword exitCode) {
  Count("TerminateProcess");
  State& m = Machine();
  const auto it = m.processes.find(handle);
  if (it == m.processes.end()) return Fail(kErrorInvalidHandle);
  Process& process = *it->second;
  if (process.remaining != 0) {
    process.remaining = 0;
    process.exitCode = exitCode;
    if (process.call < m.processCalls.size()) m.processCalls[process.call].terminated = true;
  }
  return true;
}

Dword WaitForSingleObject(Handle handle, Dword milliseconds) {
  Count("WaitForSingleObject");
  return WaitOn(handle, milliseconds);
}

Dword MsgWaitForMultipleObjects(Handle handle, Dword milliseconds, Dword wakeMask) {
  Count("MsgWaitForMultipleObjects");
  const auto process = ProcessOf(handle);
  // The handle is looked at before the queue; QS_POSTMESSAGE (0x8) is the
  // kind of input the simulation queues.
  const bool queued = (wakeMask & 0x8) != 0 && !Machine().messages.empty() &&
                      (process || Machine().files.count(handle) != 0);
  if ((process && process->remaining == 0) || !queued) return WaitOn(handle, milliseconds);
  CountWait(handle, milliseconds);
  return kWaitObject0 + 1;
}

bool CloseHandle(Handle handle) {
  Count("CloseHandle");
  State& m = Machine();
  return m.processes.erase(handle) != 0 || m.threads.erase(handle) != 0 || m.files.erase(handle) != 0 ||
         Fail(kErrorInvalidHandle);
}

bool GetExitCodeProcess(Handle process, Dword* exitCode) {
  Count("GetExitCodeProcess");
  const auto it = Machine().processes.find(process);
  if (it == Machine().processes.end()) return Fail(kErrorInvalidHandle);
  *exitCode = it->second->remaining == 0 ? it->second->exitCode : kStillActive;
  return true;
}

int DispatchPendingMessages() {
  Count("DispatchPendingMessages");
  State& m = Machine();
  const std::vector<Message> queued = std::move(m.messages);
  m.messages.clear();
  for (const Message& message : queued) {
    const auto window = m.windows.find(message.window);
    if (window != m.windows.end()) ++window->second[message.message];
  }
  return static_cast<int>(queued.size());
}

void sim::AddProgram(const std::string& pathOrName, Program program, int waits) {
  const bool bare = !HasFolder(pathOrName);
  auto& programs = Machine().programs;
  const std::string key = bare ? WithoutExe(pathOrName) : pathOrName;
  programs.erase(std::remove_if(programs.begin(), programs.end(),
                                [&](const ProgramEntry& e) { return e.bare == bare && SameName(e.key, key); }),
                 programs.end());
  programs.push_back(ProgramEntry{bare ? WithoutExe(pathOrName) : pathOrName, bare, std::move(program),
                                  waits == sim::kNeverEnds ? waits : std::max(waits, 0)});
}

const std::vector<sim::ProcessCall>& sim::Processes() { return Machine().processCalls; }
int sim::ProcessWaits() { return Machine().processWaits; }
int sim::BlockingProcessWaits() { return Machine().blockingProcessWaits; }

}  // namespace platform
