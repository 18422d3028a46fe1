// Repairs and removals that only the simulated machine can stage, beyond
// the rows of the scenario table: a spooler that never stops, files in the
// print script's place that are not ours, and print scripts whose paths
// need cmd's and the OEM code page's care.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/installer_fixture.h"

namespace installer_test {
namespace {

class MaintenanceRun : public InstallerRun {
 protected:
  // A quiet installation, then the command line of the run under test.
  void Installed(const std::string& extra = {}) {
    sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\" /quiet" + extra);
    ASSERT_EQ(Run(), ExitCode("completed"));
  }
  int RunWith(const std::string& arguments) {
    sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\" " + arguments);
    return Run();
  }
  std::string PortKey() const { return kRedirected + "\\Ports\\Dravelin:"; }
};

// Each wait for a state of the spooler ends after its bound: the stop that
// never completes, then the start that can't follow it. The port goes all
// the same.
TEST_F(MaintenanceRun, SpoolerThatNeverStopsEndsTheWaits) {
  Installed();
  sim::HangServiceStop("Spooler");
  const platform::Dword began = platform::GetTickCount();
  EXPECT_EQ(RunWith("/remove /quiet"), ExitCode("spooler_not_running"));
  const platform::Dword waited = platform::GetTickCount() - began;
  EXPECT_GE(waited, 30000u);
  EXPECT_LE(waited, 62000u);
  EXPECT_FALSE(sim::KeyExists(platform::kHkeyLocalMachine, PortKey()));
}

// What the port's "Command" names is deleted only when it is a plain file
// named Merovast.cmd: another program stays, and so do a link in the
// script's place and the file it leads to, and a file with a second name.
TEST_F(MaintenanceRun, WhatIsNotOurScriptStays) {
  const std::string script = "C:\\Setup Files\\Merovast.cmd";
  const std::string system = "C:\\WINDOWS\\system32\\wichtig.exe";
  struct Case {
    const char* name;
    std::string command;  // what the port names
    std::string kind;     // what stands there: "program", "link", "second name"
  };
  const Case cases[] = {
      {"another program", system, "program"},
      {"a link named Merovast.cmd", script, "link"},
      {"a second name of a file", script, "second name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    Installed();
    sim::AddFile(system, "MZ");
    if (c.kind == "link") {
      sim::RemovePath(script);
      sim::AddLink(script, system, false);
    } else if (c.kind == "second name") {
      sim::AddFile(script, "MZ");
      sim::SetLinkCount(script, 2);
    }
    sim::SetValue(platform::kHkeyLocalMachine, PortKey(), "Command", platform::kRegSz, Sz(c.command));
    EXPECT_EQ(RunWith("/remove /quiet"), ExitCode("removal_clean"));
    EXPECT_EQ(sim::FileContent(system).value_or("<deleted>"), "MZ");
    EXPECT_EQ(sim::FileExistsAt(c.command), true);
    EXPECT_FALSE(sim::KeyExists(platform::kHkeyLocalMachine, PortKey()));
  }
}

// A print script in cmd's terms ("%" doubled, OEM bytes) is found in order
// as written; where the default folders have no Ghostscript, the one the
// script names is kept.
TEST_F(MaintenanceRun, RepairReadsTheScriptAsWritten) {
  SetProgramFolder("C:\\Setup 100% f\xfcr PDF\\");
  sim::RemovePath(kGhostscript);
  const std::string ghostscript = "C:\\Tools 50%\\gs f\xfcr PDF\\gswin64c.exe";
  sim::AddFile(ghostscript);
  Installed(" /gs \"" + ghostscript + "\"");
  const std::string files = sim::DumpFiles();
  const std::size_t writes = sim::RegWrites().size();
  const std::size_t programs = sim::Processes().size();

  EXPECT_EQ(RunWith("/repair /quiet"), ExitCode("completed"));
  EXPECT_EQ(sim::DumpFiles(), files);
  EXPECT_EQ(sim::RegWrites().size(), writes);
  EXPECT_EQ(sim::Processes().size(), programs);
}

}  // namespace
}  // namespace installer_test
