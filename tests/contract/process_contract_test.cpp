// Processes, waits, the message queue, the pointer and the process times.
#include "tests/contract/contract_child.h"
#include "tests/contract/contract_support.h"

namespace contract {
namespace {

using namespace platform;

class ProcessContract : public Contract {};

// How long a case waits for a child to end: an upper bound only. A 32-bit
// child under emulated 32-bit Wine takes about a minute just to start.
constexpr Dword kChildEndsWithin = 300000;

// Starts a command line the way the installer does (shown normally).
bool Start(const std::string& commandLine, ProcessInformation* info) {
  StartupInfoA startup;
  startup.cb = StartupInfoSize();
  startup.flags = kStartfUseShowWindow;
  startup.showWindow = kSwShowNormal;
  return CreateProcessA(commandLine, true, kNormalPriorityClass, startup, info);
}

TEST_F(ProcessContract, MissingProgram) {
  ProcessInformation info;
  info.process = static_cast<Handle>(kSentinel);
  SetLastError(kSentinel);
  EXPECT_FALSE(Start("\"" + InFolder("no such program.exe") + "\" /x", &info));
  EXPECT_EQ(GetLastError(), static_cast<Dword>(kErrorFileNotFound));
  EXPECT_EQ(info.process, static_cast<Handle>(kSentinel)) << "untouched";
  EXPECT_FALSE(Start("dravelin-no-such-program", &info));
}

// An unquoted program path with blanks and without ".exe": the prefixes
// ending at a blank are tried in turn, ".exe" appended.
TEST_F(ProcessContract, UnquotedPathWithBlanks) {
  (void)Child("exit:5");  // copies the child program
  std::string path = ChildPath(Folder());
  path.erase(path.size() - 4);
  ProcessInformation info;
  ASSERT_TRUE(Start(path + " " + kChildSwitch + " exit:4", &info)) << "error " << GetLastError();
  ProcessHandles handles(info);
  EXPECT_EQ(WaitForSingleObject(handles.process(), 30000), kWaitObject0);
  Dword code = kSentinel;
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 4u);
}

// A file that is no program.
TEST_F(ProcessContract, NoProgram) {
  WriteFile(InFolder("plain.exe"), "plain text, no program");
  ProcessInformation info;
  SetLastError(kSentinel);
  EXPECT_FALSE(Start("\"" + InFolder("plain.exe") + "\"", &info));
  EXPECT_EQ(GetLastError(), 193u);  // ERROR_BAD_EXE_FORMAT
}

TEST_F(ProcessContract, ExitCodeOfChild) {
  ProcessInformation info;
  ASSERT_TRUE(Start(Child("touch:" + InFolder("ran") + ";exit:3"), &info))
      << "error " << GetLastError();
  ProcessHandles handles(info);
  EXPECT_NE(info.processId, 0u);
  EXPECT_EQ(WaitForSingleObject(handles.process(), kChildEndsWithin), kWaitObject0);
  Dword code = kSentinel;
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 3u);
  EXPECT_NE(GetFileAttributesA(InFolder("ran")), kInvalidFileAttributes)
      << "the child ran from its quoted path with blanks";
}

TEST_F(ProcessContract, PollWhileRunning) {
  ProcessInformation info;
  ASSERT_TRUE(Start(Child("sleep:1500"), &info));
  ProcessHandles handles(info);
  EXPECT_EQ(WaitForSingleObject(handles.process(), 0), kWaitTimeout);
  Dword code = kSentinel;
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 259u) << "STILL_ACTIVE";
  EXPECT_EQ(WaitForSingleObject(handles.process(), kInfinite), kWaitObject0);
  ASSERT_TRUE(GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(ProcessContract, MessageWaitWakesOnInput) {
  const Hwnd window = CreateCountingWindow();
  ASSERT_NE(window, 0);
  ProcessInformation info;
  ASSERT_TRUE(Start(Child("sleep:1500"), &info));
  ProcessHandles handles(info);
  ASSERT_TRUE(PostMessageA(window, kWmUser + 7, 1, 2));
  EXPECT_EQ(MsgWaitForMultipleObjects(handles.process(), 10000, kQsAllInput), kWaitObject0 + 1);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 7), 0) << "queued, not yet dispatched";
  EXPECT_GE(DispatchPendingMessages(), 1);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 7), 1);
  EXPECT_EQ(MsgWaitForMultipleObjects(handles.process(), kChildEndsWithin, kQsAllInput), kWaitObject0);
  EXPECT_TRUE(DestroyWindow(window));
}

TEST_F(ProcessContract, CountingWindow) {
  const Hwnd window = CreateCountingWindow();
  ASSERT_NE(window, 0);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 1), 0);
  ASSERT_TRUE(PostMessageA(window, kWmUser + 1, 0, 0));
  ASSERT_TRUE(PostMessageA(window, kWmUser + 1, 0, 0));
  ASSERT_TRUE(PostMessageA(window, kWmUser + 2, 0, 0));
  EXPECT_EQ(DispatchPendingMessages(), 3);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 1), 2);
  EXPECT_EQ(CountingWindowReceived(window, kWmUser + 2), 1);
  EXPECT_EQ(DispatchPendingMessages(), 0) << "queue empty";
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(PostMessageA(window, kWmUser + 1, 0, 0)) << "destroyed";
}

TEST_F(ProcessContract, ApplicationPointer) {
  EXPECT_TRUE(SetApplicationPointer(kPointerHourglass));
  EXPECT_EQ(ApplicationPointer(), kPointerHourglass);
  EXPECT_FALSE(SetApplicationPointer(5)) << "no such pointer";
  EXPECT_EQ(ApplicationPointer(), kPointerHourglass);
  EXPECT_TRUE(SetApplicationPointer(kPointerDefault));
  EXPECT_EQ(ApplicationPointer(), kPointerDefault);
}

TEST_F(ProcessContract, CpuTime) {
  std::uint64_t first = kSentinel, second = 0;
  ASSERT_TRUE(GetProcessCpuTime(&first));
  volatile std::uint64_t sum = 0;
  for (int i = 0; i < 2000000; ++i) sum = sum + static_cast<std::uint64_t>(i);
  ASSERT_TRUE(GetProcessCpuTime(&second));
  EXPECT_GE(second, first);
}

// What a run records about its session. The test runs at a desktop (Xvfb
// under Wine), in the interactive window station, which has WSF_VISIBLE.
TEST_F(ProcessContract, SessionFacts) {
  const Handle station = GetProcessWindowStation();
  ASSERT_NE(station, 0);
  Dword flags = kSentinel;
  ASSERT_TRUE(GetUserObjectFlags(station, &flags)) << "error " << GetLastError();
  EXPECT_EQ(flags & kWsfVisible, kWsfVisible);
  flags = kSentinel;
  EXPECT_FALSE(GetUserObjectFlags(0, &flags));
  EXPECT_EQ(flags, kSentinel) << "untouched on failure";

  OsVersionInfo version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_GE(version.majorVersion, 5u);
  bool member = false;
  EXPECT_TRUE(CheckAdministratorsMembership(&member));
  SystemTime now;
  GetLocalTime(&now);
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);
  EXPECT_NE(GetACP(), 0u);
  EXPECT_NE(GetOEMCP(), 0u);
}

}  // namespace
}  // namespace contract
