// The simulation's own controls, which the tests of the library and the
// installer rely on: scripted programs and their polls, scripted dialog and
// message-box answers, links, and the log of registry writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/owners.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/test_hooks.h"
#include "tests/host/sim_fixture.h"
#include "tests/host/ui_constants.h"

namespace {

namespace sim = platform::sim;
using namespace std::string_literals;
using ::testing::ElementsAre;
using platform::Dword;

using SimControls = host_test::SimTest;

platform::StartupInfoA Startup() {
  platform::StartupInfoA startup;
  startup.cb = platform::StartupInfoSize();
  return startup;
}

bool StartAndWait(const std::string& commandLine) {
  platform::ProcessInformation info;
  if (!platform::CreateProcessA(commandLine, false, 0, Startup(), &info)) return false;
  platform::ProcessHandles handles(info);
  return platform::WaitForSingleObject(handles.process(), platform::kInfinite) == platform::kWaitObject0;
}

// A program runs when its file exists at the registered path, under its bare
// name, or, for a batch file, as the program registered as "cmd".
TEST_F(SimControls, ScriptedProgramsRunByPathNameOrAsCmd) {
  std::vector<std::string> ran;
  auto record = [&ran](const char* who) {
    return [&ran, who](const std::string& line) {
      ran.push_back(std::string(who) + ": " + line);
      return Dword{0};
    };
  };
  sim::AddFile("C:\\Program Files\\Tool\\tool.exe");
  sim::AddProgram("C:\\Program Files\\Tool\\tool.exe", record("tool"));
  sim::AddFile("C:\\Setup\\helper.exe");
  sim::AddProgram("C:\\Setup\\helper.exe", record("helper"));
  sim::AddProgram("cmd", record("cmd"));
  sim::AddProgram("RUNDLL32", record("rundll"));
  sim::AddFile("C:\\Daten\\x.cmd");

  EXPECT_TRUE(StartAndWait("C:\\Program Files\\Tool\\tool -a"));  // prefixes tried, ".exe" appended
  EXPECT_TRUE(StartAndWait("helper /q"));                          // beside the executable
  EXPECT_TRUE(StartAndWait("C:\\Daten\\x.cmd arg"));
  EXPECT_TRUE(StartAndWait("rundll32.exe x"));
  EXPECT_THAT(ran, ElementsAre("tool: C:\\Program Files\\Tool\\tool -a", "helper: helper /q",
                               "cmd: C:\\Daten\\x.cmd arg", "rundll: rundll32.exe x"));

  platform::ProcessInformation info;
  sim::AddFile("C:\\Setup\\plain.exe");  // there, but nothing scripted for it
  EXPECT_FALSE(platform::CreateProcessA("C:\\Setup\\plain.exe", false, 0, Startup(), &info));
  EXPECT_EQ(platform::GetLastError(), 193u);  // ERROR_BAD_EXE_FORMAT
  ASSERT_EQ(sim::Processes().size(), 5u);
  EXPECT_TRUE(sim::Processes()[0].started);
  EXPECT_FALSE(sim::Processes()[4].started);
}

// Zero-timeout polls time out as often as configured; a wait with a timeout
// lasts until the process has ended. Posted messages wake the message wait
// first.
TEST_F(SimControls, PollsTimeOutThenTheProcessEnds) {
  sim::AddProgram("slow", [](const std::string&) { return Dword{3}; }, 2);
  platform::ProcessInformation info;
  ASSERT_TRUE(platform::CreateProcessA("slow", true, 0, Startup(), &info));
  platform::ProcessHandles handles(info);
  Dword code = 0;
  ASSERT_TRUE(platform::GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 259u);  // STILL_ACTIVE
  EXPECT_EQ(platform::WaitForSingleObject(handles.process(), 0), platform::kWaitTimeout);
  const platform::Hwnd window = platform::CreateCountingWindow();
  ASSERT_TRUE(platform::PostMessageA(window, platform::kWmUser, 0, 0));
  EXPECT_EQ(platform::MsgWaitForMultipleObjects(handles.process(), platform::kInfinite, platform::kQsAllInput),
            platform::kWaitObject0 + 1);
  EXPECT_EQ(platform::DispatchPendingMessages(), 1);
  EXPECT_EQ(platform::CountingWindowReceived(window, platform::kWmUser), 1);
  EXPECT_EQ(platform::MsgWaitForMultipleObjects(handles.process(), 0, platform::kQsAllInput), platform::kWaitTimeout);
  ASSERT_TRUE(platform::GetExitCodeProcess(handles.process(), &code));
  EXPECT_EQ(code, 3u);  // both configured polls have timed out: it has ended
  EXPECT_EQ(platform::WaitForSingleObject(handles.process(), 0), platform::kWaitObject0);
  EXPECT_EQ(sim::ProcessWaits(), 4);
  EXPECT_EQ(sim::BlockingProcessWaits(), 1);
  EXPECT_TRUE(platform::DestroyWindow(window));
}

// A scripted choice too long for the file buffer fails as the real dialog
// fails (the size needed in the first two bytes); nothing queued cancels.
TEST_F(SimControls, DialogChoicesAndTheirBuffer) {
  sim::QueueDialogChoice("C:\\dir\\names.exe");
  sim::QueueDialogChoice("C:\\dir\\names.exe");
  std::string buffer(18, '\xbd');
  platform::OpenFileNameA record;
  record.structSize = platform::kOpenFileNameSize;
  record.filter = "A\0*.a\0\0"
                  "junk";
  record.file = buffer.data();
  record.maxFile = 16;  // the path and its NUL need 17
  EXPECT_FALSE(platform::GetOpenFileNameA(&record));
  EXPECT_EQ(buffer.substr(0, 2), "\x11\0"s);
  EXPECT_EQ(buffer[16], '\xbd');
  record.maxFile = 17;
  std::fill(buffer.begin(), buffer.end(), '\xbd');
  ASSERT_TRUE(platform::GetOpenFileNameA(&record));
  EXPECT_EQ(buffer, "C:\\dir\\names.exe\0\xbd"s);
  EXPECT_EQ(record.fileOffset, 7);
  EXPECT_EQ(record.fileExtension, 13);
  ASSERT_EQ(sim::Dialogs().size(), 2u);
  EXPECT_EQ(sim::Dialogs()[0].filter, "A\0*.a\0\0"s);
  EXPECT_EQ(sim::Dialogs()[0].fileBuffer, std::string(16, '\xbd'));
  EXPECT_FALSE(platform::GetOpenFileNameA(&record));
  EXPECT_EQ(sim::UnscriptedPrompts(), 1);
}

TEST_F(SimControls, MessageBoxAnswersInOrder) {
  using namespace host_test;
  sim::QueueMessageBoxAnswer(platform::kIdNo);
  EXPECT_EQ(platform::MessageBoxA(0, "a", "t", kMbYesNo | kMbIconQuestion), platform::kIdNo);
  EXPECT_EQ(platform::MessageBoxA(0, "b", "t", kMbOk | kMbIconExclamation), platform::kIdCancel);  // nothing queued
  EXPECT_EQ(sim::UnscriptedPrompts(), 1);
  ASSERT_EQ(sim::MessageBoxes().size(), 2u);
  EXPECT_EQ(sim::MessageBoxes()[1].text, "b");
  EXPECT_EQ(sim::MessageBoxes()[1].style, kMbOk | kMbIconExclamation);
}

// A link leads to its target, unless the link itself is opened; a handle
// reports what it refers to. (The contract cases can't make links: Wine
// follows its own.)
TEST_F(SimControls, LinksLeadToTheirTargetUnlessOpenedThemselves) {
  sim::AddFolder("C:\\Target");
  sim::AddLink("C:\\Daten\\PDF", "C:\\Target");
  EXPECT_EQ(sim::AttributesOf("C:\\Daten\\PDF").value_or(0),
            platform::kFileAttributeDirectory | platform::kFileAttributeReparsePoint);
  platform::UniqueHandle file(platform::CreateFileA("C:\\Daten\\PDF\\a.txt", platform::kGenericWrite, 0,
                                                    platform::kCreateAlways));
  EXPECT_TRUE(file.IsValid());
  EXPECT_TRUE(sim::FileExistsAt("C:\\Target\\a.txt")) << "written through the link";
  for (const bool itself : {true, false}) {
    platform::FileInformation info;
    const Dword flags = platform::kFileFlagBackupSemantics | (itself ? platform::kFileFlagOpenReparsePoint : 0);
    file.Reset(platform::CreateFileA("C:\\Daten\\PDF", platform::kFileReadAttributes, 0, platform::kOpenExisting, flags));
    ASSERT_TRUE(platform::GetFileInformationByHandle(file.Get(), &info));
    EXPECT_EQ(info.attributes & platform::kFileAttributeReparsePoint, itself ? platform::kFileAttributeReparsePoint : 0u);
  }
  file.Reset(platform::CreateFileA("C:\\Daten", platform::kFileReadAttributes, 0, platform::kOpenExisting,
                                   platform::kFileFlagBackupSemantics));
  platform::Handle opened = 0;
  bool created = true;
  ASSERT_EQ(platform::NtCreateFile(file.Get(), "PDF", platform::kFileReadAttributes, 0, platform::kFileOpen,
                                   platform::kFileOpenReparsePointOption, &opened, &created),
            0u);
  platform::UniqueHandle link(opened);
  platform::FileInformation info;
  ASSERT_TRUE(platform::GetFileInformationByHandle(link.Get(), &info));
  EXPECT_NE(info.attributes & platform::kFileAttributeReparsePoint, 0u);
  EXPECT_FALSE(created);
}

// Every value written through RegSetValueExA is logged with its full key
// path and the bytes stored; writes that fail are not.
TEST_F(SimControls, RegistryWritesAreLogged) {
  platform::UniqueKey key;
  ASSERT_EQ(platform::RegCreateKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\X", 0, platform::kKeySetValue,
                                      key.Receive(), nullptr),
            0);
  const char text[] = "abc";
  ASSERT_EQ(platform::RegSetValueExA(key.Get(), "s", platform::kRegSz, reinterpret_cast<const std::uint8_t*>(text), 3), 0);
  platform::UniqueKey reader;
  ASSERT_EQ(platform::RegOpenKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\X", 0, platform::kKeyQueryValue,
                                    reader.Receive()),
            0);
  EXPECT_NE(platform::RegSetValueExA(reader.Get(), "t", platform::kRegBinary,
                                     reinterpret_cast<const std::uint8_t*>(text), 1),
            0);
  ASSERT_EQ(sim::RegWrites().size(), 1u);
  EXPECT_EQ(sim::RegWrites()[0].keyPath, "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  EXPECT_EQ(sim::RegWrites()[0].name, "s");
  EXPECT_EQ(sim::RegWrites()[0].type, platform::kRegSz);
  EXPECT_EQ(sim::RegWrites()[0].data, "abc\0"s);
}

}  // namespace
