#include "std/StdTask.h"

#include <string>

#include "platform/owners.h"
#include "platform/platform.h"

namespace StdTask {

namespace {

using platform::Dword;

// Waits until the process has ended while this thread's queue stays
// serviced. A plain zero-timeout poll between dispatch passes would keep one
// processor busy for as long as the child runs (minutes, for a set-up
// program); MsgWaitForMultipleObjects sleeps until the process ends or input
// arrives instead. The queue is emptied before every wait: the wait reports
// only input that arrived since the thread last looked at its queue, so
// anything left queued would not wake it.
void WaitServicingMessages(platform::Handle process) {
  // A child that has already ended costs a single poll.
  if (platform::WaitForSingleObject(process, 0) == platform::kWaitObject0) return;
  for (;;) {
    platform::DispatchPendingMessages();
    const Dword woke =
        platform::MsgWaitForMultipleObjects(process, platform::kInfinite, platform::kQsAllInput);
    if (woke != platform::kWaitObject0 + 1) {
      // kWaitObject0: the child has ended. kWaitFailed (a handle the wait
      // refuses) or anything unexpected: waiting again would fail the same
      // way at once and spin, so the wait ends here; the child was started.
      return;
    }
  }
}

}  // namespace

bool RunAndWait(const std::u16string& commandLine, bool show, platform::Dword* exitCode) {
  platform::StartupInfoA startup{};
  startup.cb = platform::StartupInfoSize();
  startup.flags = platform::kStartfUseShowWindow;
  startup.showWindow = show ? platform::kSwShowNormal : platform::kSwHide;
  platform::ProcessInformation info{};
  if (!platform::CreateProcessA(platform::ToAnsi(commandLine), true,
                                platform::kNormalPriorityClass, startup, &info)) {
    return false;
  }
  const platform::ProcessHandles handles(info);
  if (!handles.IsValid()) return false;
  WaitServicingMessages(handles.process());
  Dword code = 0;
  if (exitCode != nullptr && platform::GetExitCodeProcess(handles.process(), &code)) {
    *exitCode = code;
  }
  return true;
}

}  // namespace StdTask
