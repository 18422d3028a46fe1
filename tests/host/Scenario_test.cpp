// The host runner of the scenario table (tests/data/scenarios.txt): each row
// becomes a run on the simulated machine. Besides what the row demands, it
// checks what only the simulation records: the order and bytes of every
// registry write, the pointer under each box and program, and the dialog's
// record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "tests/host/installer_fixture.h"
#include "tests/host/ui_constants.h"

namespace test_data {
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }
}  // namespace test_data

namespace installer_test {
namespace {

using ::testing::ElementsAreArray;
using test_data::Scenario;

std::vector<Scenario> SimRows() {
  std::vector<Scenario> rows;
  for (const Scenario& s : test_data::Scenarios()) {
    if (s.runs != "wine") rows.push_back(s);
  }
  return rows;
}

platform::Dword Style(const test_data::Box& box) {
  const platform::Dword buttons = box.buttons == "ok"      ? host_test::kMbOk
                                  : box.buttons == "yesno" ? host_test::kMbYesNo
                                                           : host_test::kMbYesNoCancel;
  const platform::Dword icon = box.icon == "warning"    ? host_test::kMbIconExclamation
                               : box.icon == "question" ? host_test::kMbIconQuestion
                               : box.icon == "information" ? host_test::kMbIconInformation
                                                        : host_test::kMbIconError;
  return buttons | icon;
}

int Answer(const std::string& step) {
  if (step == "box:yes") return platform::kIdYes;
  if (step == "box:no") return platform::kIdNo;
  if (step == "box:cancel") return platform::kIdCancel;
  return platform::kIdOk;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class ScenarioRun : public InstallerRun, public ::testing::WithParamInterface<Scenario> {
 protected:
  // The row's machine and answers; answers the Ghostscript path the run
  // must find.
  std::string PrepareRow(const Scenario& s) {
    if (!s.args.empty()) {
      sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\" " + Replace(s.args, "{program}", programFolder));
    }
    sim::SetWindowStationVisible(s.station == "visible");
    printerSetupFails = s.printui == "fails";
    std::string ghostscript = kGhostscript;
    if (s.ghostscript != "default") {
      sim::RemovePath(kGhostscript);
      ghostscript = s.ghostscript == "none" ? "" : s.ghostscript;
      if (!ghostscript.empty()) sim::AddFile(ghostscript);
    }
    setupRegisters = s.monitor == "setup";
    if (s.monitor == "german") SetMonitor(kGerman, "redmon35.dll");
    if (s.printer) {
      sim::SetValue(platform::kHkeyLocalMachine, kPrinterKey, "Name", platform::kRegSz, Sz("DUR-Orarudi"));
    }
    for (const test_data::StoredValue& v : s.registry) {
      sim::SetValue(platform::kHkeyLocalMachine, v.key, v.name, platform::kRegSz, Sz(v.text));
    }
    if (s.blocked == "print_script") sim::AddFolder(BlockedFile());
    for (const std::string& step : s.steps) {
      if (step.rfind("file:", 0) == 0) {
        sim::QueueDialogChoice(step.substr(5));
      } else {
        sim::QueueMessageBoxAnswer(Answer(step));
      }
    }
    return ghostscript;
  }

  std::string BlockedFile() const { return programFolder + "Merovast.cmd"; }

  void ExpectBoxes(const Scenario& s) {
    ASSERT_EQ(sim::MessageBoxes().size(), s.boxes.size());
    // A file failure is reported under the busy pointer, which stays.
    const int pointer = s.outcome == "failed" ? platform::kPointerHourglass : platform::kPointerDefault;
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
      std::string text = Replace(Message(s.boxes[i].message), "{file}", BlockedFile());
      const std::size_t error = text.find("{error}");
      const std::string& actual = sim::MessageBoxes()[i].text;
      if (error != std::string::npos && error < actual.size()) {
        // The system's text for the failure, whatever it is, on one line.
        const std::string systemText = actual.substr(error, actual.find('\n', error) - error);
        EXPECT_FALSE(systemText.empty()) << actual;
        // A folder in the way of a file: the creation is refused.
        if (!s.blocked.empty()) {
          EXPECT_EQ(systemText, platform::FormatMessageA(platform::kErrorAccessDenied));
        }
        text.replace(error, 7, systemText);
      }
      EXPECT_BOX(i, text, Style(s.boxes[i]), pointer);
    }
  }

  void ExpectDialogs(const Scenario& s) {
    std::size_t files = 0;
    for (const std::string& step : s.steps) files += step.rfind("file:", 0) == 0;
    ASSERT_EQ(sim::Dialogs().size(), files);
    for (const auto& dialog : sim::Dialogs()) {
      EXPECT_FALSE(dialog.save);
      EXPECT_EQ(dialog.owner, 0);
      EXPECT_EQ(dialog.title, "Bitte gswin32c.exe ausw\xe4hlen!");
      EXPECT_EQ(dialog.initialDir, kProgramFiles + "\\");
      EXPECT_EQ(dialog.fileBuffer.substr(0, 13), std::string("gswin32c.exe\0", 13));
      EXPECT_EQ(dialog.filter, std::string("Anwendungs-Dateien\0*.exe\0\0", 26));
      EXPECT_EQ(dialog.defExt, "exe");
      EXPECT_EQ(dialog.pointer, platform::kPointerDefault);
    }
  }

  void ExpectPageOpened(const Scenario& s) {
    ASSERT_EQ(sim::ShellExecutes().size(), s.opens.empty() ? 0u : 1u);
    if (s.opens.empty()) return;
    const auto& call = sim::ShellExecutes()[0];
    EXPECT_EQ(call.window, 0);
    EXPECT_EQ(call.operation, "open");
    EXPECT_EQ(call.file, s.opens);
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "C:\\");
    EXPECT_EQ(call.showCommand, 1);
  }

  // The programs started, in order: RedMon's set-up before the busy
  // pointer, the access script and the printer's installation under it.
  void ExpectPrograms(const Scenario& s) {
    std::vector<std::string> expected;
    if (s.setup == "ran") expected.push_back("\"" + programFolder + "printer\\setup.exe\" -silent");
    const std::size_t underPointer = expected.size();
    if (s.outcome != "unchanged") expected.push_back("c:\\Daten\\PDF\\PDFCacls.cmd");
    if (s.outcome == "installed" || s.outcome == "removal") {
      expected.push_back(RundllLine() + (s.quiet ? " /q" : ""));
    }
    EXPECT_THAT(CommandLines(), ElementsAreArray(expected));
    const auto& processes = sim::Processes();
    for (std::size_t i = 0; i < processes.size(); ++i) {
      EXPECT_EQ(processes[i].pointer, i < underPointer ? platform::kPointerDefault : platform::kPointerHourglass)
          << processes[i].commandLine;
      EXPECT_EQ(processes[i].showWindow, s.quiet ? platform::kSwHide : platform::kSwShowNormal)
          << processes[i].commandLine;
    }
  }

  // The /log file: every registry write and every command of the run, or,
  // in a missing folder, nothing created.
  void ExpectLog(const Scenario& s) {
    std::string path = Replace(s.args.substr(s.args.find("/log ") + 5), "{program}", programFolder);
    if (path.front() == '"') path = path.substr(1, path.find('"', 1) - 1);
    if (s.log == "none") {
      EXPECT_FALSE(sim::FolderExistsAt(path.substr(0, path.rfind('\\'))));
      return;
    }
    const std::string log = sim::FileContent(path).value_or("");
    std::size_t writes = 0;
    std::vector<std::string> commands;
    for (std::size_t at = 0; (at = log.find(" Registrierung: ", at)) != std::string::npos; ++at) ++writes;
    for (std::size_t at = 0; (at = log.find(" Starte: ", at)) != std::string::npos; ++at) {
      commands.push_back(log.substr(at + 9, log.find("\r\n", at) - at - 9));
    }
    EXPECT_EQ(writes, sim::RegWrites().size());
    EXPECT_EQ(commands, CommandLines());
  }

  std::string RundllLine() const { return test_data::PrinterCommand(programFolder); }
};

TEST_P(ScenarioRun, OnTheSimulation) {
  const Scenario& s = GetParam();
  const std::string ghostscript = PrepareRow(s);
  const std::string files = sim::DumpFiles();
  const std::string registry = sim::DumpRegistry();

  EXPECT_EQ(Run(), ExitCode(s.end));
  ExpectBoxes(s);
  EXPECT_EQ(sim::UnscriptedPrompts(), 0);
  ExpectDialogs(s);
  ExpectPageOpened(s);
  ExpectPrograms(s);
  if (!s.log.empty()) ExpectLog(s);

  const std::string monitorKey = s.monitor == "german" ? kGerman : kRedirected;
  if (s.outcome == "unchanged") {
    EXPECT_TRUE(sim::RegWrites().empty());
    EXPECT_EQ(sim::DumpFiles(), files);
    EXPECT_EQ(sim::DumpRegistry(), registry);
    EXPECT_TRUE(sim::PointerHistory().empty());
    return;
  }
  EXPECT_EQ(accessScript, test_data::AccessScript());
  EXPECT_FALSE(sim::FileExistsAt("c:\\Daten\\PDF\\PDFCacls.cmd"));
  EXPECT_TRUE(sim::FolderExistsAt("c:\\Daten\\PDF"));
  std::vector<Write> writes = PortWrites(monitorKey, programFolder);
  if (s.outcome == "failed") {
    // Nothing switches the busy pointer back after an unhandled failure.
    EXPECT_WRITES(writes);
    EXPECT_FALSE(sim::FileExistsAt(BlockedFile()));
    EXPECT_THAT(sim::PointerHistory(), ElementsAreArray({platform::kPointerHourglass}));
    EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerHourglass);
    return;
  }
  // The port, then the driver data (the scripted set-up program writes its
  // monitor key through the simulation's control, which is not logged).
  for (const Write& w : DriverDataWrites()) writes.push_back(w);
  EXPECT_WRITES(writes);
  EXPECT_EQ(sim::FileContent(programFolder + "Merovast.cmd").value_or("<missing>"),
            PrintScript(ghostscript, programFolder));
  EXPECT_THAT(sim::PointerHistory(),
              ElementsAreArray({platform::kPointerHourglass, platform::kPointerDefault}));
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioRun, ::testing::ValuesIn(SimRows()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace
}  // namespace installer_test
