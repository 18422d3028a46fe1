// StdTask::RunAndWait on the simulated platform: what the child is started
// with, the answers, the kind of wait and the handles left behind.
#include "std/StdTask.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/test_hooks.h"
#include "tests/host/sim_fixture.h"

namespace {

namespace sim = platform::sim;

using RunAndWaitTest = host_test::SimTest;

struct StartCase {
  const char* what;
  std::u16string commandLine;
  bool show;
  const char* registeredAs;  // program path or bare name
  const char* fileAt;        // file that must exist for a path, or null
  std::string expectedCommandLine;  // ANSI bytes the child sees
};

TEST_F(RunAndWaitTest, StartsTheCommandLineAsGiven) {
  const std::vector<StartCase> cases = {
      {"quoted path with blanks, shown", u"\"C:\\Setup\\printer\\Red Mon\\setup.exe\" -silent",
       true, "C:\\Setup\\printer\\Red Mon\\setup.exe", "C:\\Setup\\printer\\Red Mon\\setup.exe",
       "\"C:\\Setup\\printer\\Red Mon\\setup.exe\" -silent"},
      {"bare name, hidden", u"RUNDLL32 PRINTUI.DLL,PrintUIEntry /if /b \"DUR-Orarudi\"", false,
       "RUNDLL32", nullptr, "RUNDLL32 PRINTUI.DLL,PrintUIEntry /if /b \"DUR-Orarudi\""},
      {"non-ASCII text in ANSI", u"tool.exe Stra\u00dfe \u00c4", true, "tool", nullptr,
       "tool.exe Stra\xdf" "e \xc4"},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.what);
    NextCase();
    if (c.fileAt != nullptr) sim::AddFile(c.fileAt);
    std::vector<std::string> seen;
    sim::AddProgram(c.registeredAs, [&seen](const std::string& line) {
      seen.push_back(line);
      return platform::Dword{0};
    });

    EXPECT_TRUE(StdTask::RunAndWait(c.commandLine, c.show));

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], c.expectedCommandLine);
    ASSERT_EQ(sim::Processes().size(), 1u);
    const sim::ProcessCall& call = sim::Processes()[0];
    EXPECT_EQ(call.commandLine, c.expectedCommandLine);
    EXPECT_TRUE(call.inheritHandles);
    EXPECT_EQ(call.creationFlags, platform::kNormalPriorityClass);
    EXPECT_EQ(call.startupCb, platform::StartupInfoSize());
    EXPECT_EQ(call.startupFlags, platform::kStartfUseShowWindow);
    EXPECT_EQ(call.showWindow, c.show ? platform::kSwShowNormal : platform::kSwHide);
    EXPECT_TRUE(call.started);
  }
}

TEST_F(RunAndWaitTest, MissingProgramAnswersFalseAtOnce) {
  EXPECT_FALSE(StdTask::RunAndWait(u"\"C:\\Setup\\printer\\setup.exe\" -silent", true));
  ASSERT_EQ(sim::Processes().size(), 1u);
  EXPECT_FALSE(sim::Processes()[0].started);
  EXPECT_EQ(sim::ProcessWaits(), 0);
  EXPECT_TRUE(sim::MessageBoxes().empty()) << sim::MessageBoxes()[0].text;
}

TEST_F(RunAndWaitTest, ExitCodeDoesNotMatter) {
  sim::AddProgram("failing", [](const std::string&) { return platform::Dword{3}; }, 2);
  EXPECT_TRUE(StdTask::RunAndWait(u"failing.exe /x", true));
}

TEST_F(RunAndWaitTest, EndedChildCostsOnePoll) {
  sim::AddProgram("quick", [](const std::string&) { return platform::Dword{0}; }, 0);
  EXPECT_TRUE(StdTask::RunAndWait(u"quick", true));
  EXPECT_EQ(sim::ProcessWaits(), 1);
  EXPECT_EQ(sim::BlockingProcessWaits(), 0);
}

// A child still running at the first poll is waited for by a blocking wait,
// not by polling: a poll loop would make one wait per timed-out poll.
TEST_F(RunAndWaitTest, RunningChildIsWaitedForWithoutPolling) {
  for (const int waits : {1, 5, 1000}) {
    SCOPED_TRACE("child ending after " + std::to_string(waits) + " timed-out waits");
    NextCase();
    sim::AddProgram("slow", [](const std::string&) { return platform::Dword{0}; }, waits);
    EXPECT_TRUE(StdTask::RunAndWait(u"slow -x", true));
    EXPECT_GE(sim::BlockingProcessWaits(), 1);
    EXPECT_LE(sim::ProcessWaits(), 3);
  }
}

// With options: the program by its application name, in the folder given;
// a child past its time limit is ended and named so; one within it ends as
// ever.
TEST_F(RunAndWaitTest, OptionsNameTheProgramItsFolderAndItsLimit) {
  sim::AddFolder("C:\\Work");
  sim::AddFile("C:\\Tools\\hangs.exe");
  sim::AddProgram("C:\\Tools\\hangs.exe", [](const std::string&) { return platform::Dword{0}; }, sim::kNeverEnds);
  StdTask::RunOptions options;
  options.applicationName = u"C:\\Tools\\hangs.exe";
  options.currentDirectory = u"C:\\Work";
  options.timeLimit = 5000;
  platform::Dword code = 0;
  EXPECT_EQ(StdTask::RunAndWait(u"anything -x", false, options, &code), StdTask::RunResult::kTimedOut);
  EXPECT_EQ(code, StdTask::kTimedOutExitCode);
  ASSERT_EQ(sim::Processes().size(), 1u);
  EXPECT_EQ(sim::Processes()[0].applicationName, "C:\\Tools\\hangs.exe");
  EXPECT_EQ(sim::Processes()[0].commandLine, "anything -x");
  EXPECT_EQ(sim::Processes()[0].currentDirectory, "C:\\Work");
  EXPECT_EQ(sim::Processes()[0].blockingWait, 5000u);
  EXPECT_TRUE(sim::Processes()[0].terminated);

  sim::AddProgram("C:\\Tools\\hangs.exe", [](const std::string&) { return platform::Dword{4}; }, 3);
  EXPECT_EQ(StdTask::RunAndWait(u"anything", false, options, &code), StdTask::RunResult::kEnded);
  EXPECT_EQ(code, 4u);
  EXPECT_FALSE(sim::Processes()[1].terminated);
  options.applicationName = u"C:\\Tools\\missing.exe";
  EXPECT_EQ(StdTask::RunAndWait(u"anything", false, options), StdTask::RunResult::kNotStarted);
}

TEST_F(RunAndWaitTest, DispatchesQueuedMessagesWhileTheChildRuns) {
  const platform::Hwnd window = platform::CreateCountingWindow();
  ASSERT_NE(window, 0);
  const platform::Dword message = platform::kWmUser + 7;
  ASSERT_TRUE(platform::PostMessageA(window, message, 1, 2));
  sim::AddProgram("slow", [](const std::string&) { return platform::Dword{0}; }, 3);

  EXPECT_TRUE(StdTask::RunAndWait(u"slow", true));

  EXPECT_EQ(platform::CountingWindowReceived(window, message), 1);
  platform::DestroyWindow(window);
}

}  // namespace
