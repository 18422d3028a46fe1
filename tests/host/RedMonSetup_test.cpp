// printer\setup.exe on the simulated machine: which of RedMon's set-up
// programs it starts, with which command line, and what it answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/setup/RedMonSetup.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/sim_fixture.h"

namespace {

namespace sim = platform::sim;

const std::string kFolder = "C:\\Paket Dravelin\\printer\\";
const std::string kSelf = "\"" + kFolder + "setup.exe\"";

class RedMonSetupRun : public host_test::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Place(kFolder);
  }

  // This program at folder + "setup.exe", started with " -silent", on a
  // fresh machine (after checking that the last case closed everything).
  void Place(const std::string& folder) {
    NextCase();
    sim::SetModulePath(folder + "setup.exe");
    sim::SetCommandLine("\"" + folder + "setup.exe\" -silent");
  }

  // One of RedMon's set-up programs below folder + "redmon\", answering exitCode.
  void AddRedMon(const std::string& folder, const std::string& name, platform::Dword exitCode) {
    const std::string path = folder + "redmon\\" + name;
    sim::AddFile(path);
    sim::AddProgram(path, [exitCode](const std::string&) { return exitCode; });
  }

  std::vector<std::string> Started() const {
    std::vector<std::string> lines;
    for (const auto& call : sim::Processes()) lines.push_back(call.commandLine);
    return lines;
  }
};

TEST_F(RedMonSetupRun, StartsTheSetupOfTheRunningWindowsAndAnswersItsExitCode) {
  struct Case {
    platform::Word architecture;
    std::string folder;
    std::string program;
  };
  const Case cases[] = {
      {platform::kProcessorArchitectureIntel, kFolder, "setup.exe"},
      {platform::kProcessorArchitectureAmd64, kFolder, "setup64.exe"},
      {platform::kProcessorArchitectureArm64, kFolder, "setup64.exe"},
      {platform::kProcessorArchitectureIa64, kFolder, "setup64.exe"},
      {platform::kProcessorArchitectureAmd64, "D:\\", "setup64.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder + c.program);
    Place(c.folder);
    if (c.folder == "D:\\") sim::AddDrive("D:");
    sim::SetNativeArchitecture(c.architecture);
    AddRedMon(c.folder, "setup.exe", 32);
    AddRedMon(c.folder, "setup64.exe", 64);

    EXPECT_EQ(RedMonSetup::Run(), c.program == "setup.exe" ? 32 : 64);
    ASSERT_EQ(Started(),
              std::vector<std::string>{"\"" + c.folder + "redmon\\" + c.program + "\" -silent"});
    EXPECT_EQ(sim::BlockingProcessWaits(), 1) << "waits for the end";
  }
}

TEST_F(RedMonSetupRun, MissingSetupStartsNothingAndChangesNothing) {
  struct Case {
    platform::Word architecture;
    std::string present;  // the other one, or a folder of the needed name
    bool asFolder;
  };
  const Case cases[] = {
      {platform::kProcessorArchitectureAmd64, "setup.exe", false},
      {platform::kProcessorArchitectureIntel, "setup64.exe", false},
      {platform::kProcessorArchitectureAmd64, "setup64.exe", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.present);
    Place(kFolder);
    sim::SetNativeArchitecture(c.architecture);
    if (c.asFolder) {
      sim::AddFolder(kFolder + "redmon\\" + c.present);
    } else {
      AddRedMon(kFolder, c.present, 0);
    }
    const std::string files = sim::DumpFiles();
    const std::string registry = sim::DumpRegistry();

    EXPECT_EQ(RedMonSetup::Run(), RedMonSetup::kExitSetupMissing);
    EXPECT_TRUE(Started().empty());
    EXPECT_EQ(sim::DumpFiles(), files);
    EXPECT_EQ(sim::DumpRegistry(), registry);
  }
}

TEST_F(RedMonSetupRun, ArgumentsGoOnAsTheyCame) {
  struct Case {
    std::string ownCommandLine;
    std::string passedOn;  // after the started program's quoted path
  };
  const Case cases[] = {
      {kSelf + " -silent", " -silent"},
      {kSelf, ""},
      {kSelf + "   -silent  /d \"C:\\a  b\\\" x", " -silent  /d \"C:\\a  b\\\" x"},
      {kSelf + "\t-silent", " -silent"},
      {"setup -silent", " -silent"},
      // One token for the C runtime: the quotes only group the blank.
      {"\"C:\\Paket Dravelin\\printer\\setup.exe\"-silent", ""},
      {"C:\\Paket\" \"Dravelin\\printer\\setup.exe -silent", " -silent"},
  };
  const std::string program = "\"" + kFolder + "redmon\\setup.exe\"";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ownCommandLine);
    Place(kFolder);
    AddRedMon(kFolder, "setup.exe", 0);
    sim::SetCommandLine(c.ownCommandLine);
    EXPECT_EQ(RedMonSetup::Run(), 0);
    EXPECT_EQ(Started(), std::vector<std::string>{program + c.passedOn});
  }
}

TEST_F(RedMonSetupRun, ProgramThatCannotStartAnswersTheSystemsError) {
  sim::AddFile(kFolder + "redmon\\setup.exe", "not a program");
  const int code = RedMonSetup::Run();
  EXPECT_NE(code, 0);
  EXPECT_EQ(static_cast<platform::Dword>(code), platform::GetLastError());
}

}  // namespace
