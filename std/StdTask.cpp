#include "std/StdTask.h"

#include <string>

#include "platform/owners.h"
#include "platform/platform.h"

namespace StdTask {

namespace {

using platform::Dword;

// How long an ended child may take to go after TerminateProcess.
constexpr Dword kTerminationWait = 10000;

// Waits until the process has ended, or until the time limit has passed,
// while this thread's queue stays serviced; answers whether it has ended. A
// plain zero-timeout poll between dispatch passes would keep one processor
// busy for as long as the child runs (minutes, for a set-up program);
// MsgWaitForMultipleObjects sleeps until the process ends, input arrives or
// the rest of the limit has passed instead. The queue is emptied before
// every wait: the wait reports only input that arrived since the thread last
// looked at its queue, so anything left queued would not wake it.
bool WaitServicingMessages(platform::Handle process, Dword timeLimit) {
  // A child that has already ended costs a single poll.
  if (platform::WaitForSingleObject(process, 0) == platform::kWaitObject0) return true;
  const Dword started = platform::GetTickCount();
  for (;;) {
    platform::DispatchPendingMessages();
    Dword wait = platform::kInfinite;
    if (timeLimit != platform::kInfinite) {
      // Unsigned subtraction stays right across the counter's wrap.
      const Dword elapsed = platform::GetTickCount() - started;
      if (elapsed >= timeLimit) return false;
      wait = timeLimit - elapsed;
    }
    const Dword woke = platform::MsgWaitForMultipleObjects(process, wait, platform::kQsAllInput);
    if (woke == platform::kWaitTimeout) return false;
    if (woke != platform::kWaitObject0 + 1) {
      // kWaitObject0: the child has ended. kWaitFailed (a handle the wait
      // refuses) or anything unexpected: waiting again would fail the same
      // way at once and spin, so the wait ends here; the child was started.
      return true;
    }
  }
}

}  // namespace

bool RunAndWait(const std::u16string& commandLine, bool show, platform::Dword* exitCode) {
  return RunAndWait(commandLine, show, RunOptions{}, exitCode) != RunResult::kNotStarted;
}

RunResult RunAndWait(const std::u16string& commandLine, bool show, const RunOptions& options,
                     platform::Dword* exitCode) {
  platform::StartupInfoA startup{};
  startup.cb = platform::StartupInfoSize();
  startup.flags = platform::kStartfUseShowWindow;
  startup.showWindow = show ? platform::kSwShowNormal : platform::kSwHide;
  platform::ProcessInformation info{};
  if (!platform::CreateProcessA(platform::ToAnsi(options.applicationName),
                                platform::ToAnsi(commandLine), true, platform::kNormalPriorityClass,
                                platform::ToAnsi(options.currentDirectory), startup, &info)) {
    return RunResult::kNotStarted;
  }
  const platform::ProcessHandles handles(info);
  if (!handles.IsValid()) return RunResult::kNotStarted;
  RunResult result = RunResult::kEnded;
  if (!WaitServicingMessages(handles.process(), options.timeLimit)) {
    // TerminateProcess only starts the end; the wait sees it done, so that
    // the exit code read below is the one given here.
    static_cast<void>(platform::TerminateProcess(handles.process(), kTimedOutExitCode));
    static_cast<void>(platform::WaitForSingleObject(handles.process(), kTerminationWait));
    result = RunResult::kTimedOut;
  }
  Dword code = 0;
  if (exitCode != nullptr && platform::GetExitCodeProcess(handles.process(), &code)) {
    *exitCode = code;
  }
  return result;
}

}  // namespace StdTask
