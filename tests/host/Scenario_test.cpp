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

// What a file that is there already holds: a record an earlier run left.
const std::string kEarlier = "\xEF\xBB\xBF" + test_data::EarlierLog();
// Where the link of "log = link" leads.
const std::string kLinkedFile = std::string(sim::kSystemFolder) + "\\drivers\\etc\\hosts";
// Where "plant = yes" starts the installer, and the programs it plants.
const std::string kStartFolder = "C:\\Arbeit";

class ScenarioRun : public InstallerRun, public ::testing::WithParamInterface<Scenario> {
 protected:
  // The row's machine and answers; answers the Ghostscript path the run
  // must find.
  std::string PrepareRow(const Scenario& s) {
    if (!s.args.empty()) {
      sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\" " + Replace(s.args, "{program}", programFolder));
    }
    sim::SetWindowStationVisible(s.station != "hidden");
    sim::FailWindowStationQuery(s.station == "unknown");
    if (s.station == "session0") sim::SetWindowsVersion({6, 1, 7601, "Service Pack 1"});
    printerSetupFails = s.printui == "fails";
    std::string ghostscript = kGhostscript;
    if (s.ghostscript != "default") {
      sim::RemovePath(kGhostscript);
      ghostscript = s.ghostscript == "none" ? "" : s.ghostscript;
      if (!ghostscript.empty()) sim::AddFile(ghostscript);
    }
    setupRegisters = s.monitor == "setup";
    setupHangs = s.monitor == "setup_hangs";
    setupRaces = s.output == "raced";
    SetProgramFolder(programFolder);
    if (s.monitor == "german") SetMonitor(kGerman, "redmon35.dll");
    if (s.output == "link") sim::AddLink("c:\\Daten\\PDF", sim::kSystemFolder);
    if (s.output == "foreign") {
      sim::AddFolder("c:\\Daten");
      sim::SetOwner("c:\\Daten", kStandardUser);
    }
    if (s.package == "writable") {
      sim::SetDacl(programFolder, {{0, 3, platform::kFileAllAccess, "S-1-5-32-544", {}},
                                   {0, 3, platform::kFileAllAccess, "S-1-5-18", {}},
                                   {0, 3, 0x1301FF, "S-1-1-0", {}}});
    }
    if (s.plant) {
      sim::AddFile(programFolder + "RUNDLL32.exe", "MZ");
      sim::AddProgram(programFolder + "RUNDLL32.exe", [this](const std::string&) {
        sim::AddFile(programFolder + "RUNDLL32.exe.ran");
        return platform::Dword{0};
      });
      sim::AddFile(kStartFolder + "\\cacls.bat", "@echo ran> \"%~f0.ran\"\r\n");
      sim::SetCurrentDir(kStartFolder);
    }
    const std::string log = LogPath(s);
    if (!s.log.empty() && s.log != "none") sim::AddFolder(log.substr(0, log.rfind('\\')));
    if (s.log == "all" || s.log == "linked" || s.log == "planted") sim::AddFile(log, kEarlier);
    if (s.log == "linked") sim::SetLinkCount(log, 2);
    if (s.log == "planted") sim::SetOwner(log, kStandardUser);
    if (s.log == "link") {
      sim::AddFile(kLinkedFile, kEarlier);
      sim::AddLink(log, kLinkedFile, false);
    }
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

  // The /log file of the row's arguments; empty without one.
  std::string LogPath(const Scenario& s) const {
    const std::size_t at = s.args.find("/log ");
    if (at == std::string::npos) return {};
    std::string path = Replace(s.args.substr(at + 5), "{program}", programFolder);
    if (path.front() == '"') return path.substr(1, path.find('"', 1) - 1);
    return path.substr(0, path.find(' '));
  }

  void ExpectBoxes(const Scenario& s) {
    ASSERT_EQ(sim::MessageBoxes().size(), s.boxes.size());
    // A file failure is reported under the busy pointer, which stays.
    const int pointer = s.outcome == "failed" ? platform::kPointerHourglass : platform::kPointerDefault;
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
      std::string text = Replace(Replace(Message(s.boxes[i].message), "{file}", BlockedFile()), "{folder}",
                                 Replace(s.folder, "{program}", programFolder));
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
  // pointer, the printer's installation under it; each by its full path as
  // the application name, in the system folder; a quiet run waits a bounded
  // time for each, a run with a user without a bound. Nothing planted ran.
  void ExpectPrograms(const Scenario& s) {
    std::vector<std::string> expected, programs;
    if (s.setup == "ran") {
      expected.push_back("\"" + programFolder + "printer\\setup.exe\" -silent");
      programs.push_back(programFolder + "printer\\setup.exe");
    }
    const std::size_t underPointer = expected.size();
    if ((s.outcome == "installed" || s.outcome == "removal") && s.end != "child_timeout") {
      expected.push_back(RundllLine() + (s.quiet ? " /q" : ""));
      programs.push_back(std::string(sim::kSystemFolder) + "\\rundll32.exe");
    }
    EXPECT_THAT(CommandLines(), ElementsAreArray(expected));
    const auto& processes = sim::Processes();
    for (std::size_t i = 0; i < processes.size() && i < programs.size(); ++i) {
      SCOPED_TRACE(processes[i].commandLine);
      EXPECT_EQ(processes[i].pointer, i < underPointer ? platform::kPointerDefault : platform::kPointerHourglass);
      EXPECT_EQ(processes[i].showWindow, s.quiet ? platform::kSwHide : platform::kSwShowNormal);
      EXPECT_EQ(processes[i].applicationName, programs[i]);
      EXPECT_EQ(processes[i].currentDirectory, sim::kSystemFolder);
      EXPECT_NE(processes[i].blockingWait, 0u) << "the child still ran at the first look";
      EXPECT_EQ(processes[i].blockingWait == platform::kInfinite, !s.quiet);
      EXPECT_EQ(processes[i].terminated, s.end == "child_timeout");
    }
    EXPECT_FALSE(sim::FileExistsAt(programFolder + "RUNDLL32.exe.ran"));
    EXPECT_FALSE(sim::FileExistsAt(kStartFolder + "\\cacls.bat.ran"));
  }

  // The /log file: every registry write and every command of the run after
  // the earlier record; in a missing folder, nothing created; a trap keeps
  // its content.
  void ExpectLog(const Scenario& s) {
    const std::string path = LogPath(s);
    if (s.log == "none") {
      EXPECT_FALSE(sim::FolderExistsAt(path.substr(0, path.rfind('\\'))));
      return;
    }
    if (s.log != "all") {
      EXPECT_EQ(sim::FileContent(s.log == "link" ? kLinkedFile : path).value_or("<missing>"), kEarlier);
      EXPECT_EQ(sim::AttributesOf(path).value_or(0) & platform::kFileAttributeReparsePoint,
                s.log == "link" ? platform::kFileAttributeReparsePoint : 0u);
      return;
    }
    const std::string log = sim::FileContent(path).value_or("");
    EXPECT_EQ(log.substr(0, kEarlier.size()), kEarlier);
    std::size_t writes = 0;
    std::vector<std::string> commands;
    for (std::size_t at = 0; (at = log.find(" Registrierung: ", at)) != std::string::npos; ++at) ++writes;
    for (std::size_t at = 0; (at = log.find(" Starte: ", at)) != std::string::npos; ++at) {
      commands.push_back(log.substr(at + 9, log.find("\r\n", at) - at - 9));
    }
    EXPECT_EQ(writes, sim::RegWrites().size());
    EXPECT_EQ(commands, CommandLines());
    // A child the run ended is named.
    for (const auto& process : sim::Processes()) {
      if (process.terminated) {
        EXPECT_NE(log.find(" abgebrochen: " + process.commandLine + "\r\n"), std::string::npos);
      }
    }
  }

  // The output folder's access list: the access entry of the group of all
  // users, once, as an explicit entry; the other entries kept.
  void ExpectOutputAccess() {
    const test_data::Access access = test_data::OutputFolderAccess();
    const auto security = sim::SecurityOf("c:\\Daten\\PDF");
    ASSERT_TRUE(security.has_value());
    std::vector<platform::Ace> others;
    int everyone = 0;
    for (const platform::Ace& ace : security->dacl) {
      if (ace.sid != access.sid) {
        others.push_back(ace);
        continue;
      }
      ++everyone;
      EXPECT_EQ(ace.type, platform::kAccessAllowedAceType);
      EXPECT_EQ(ace.mask, access.mask);
      EXPECT_EQ(ace.flags, access.flags);
    }
    EXPECT_EQ(everyone, 1);
    // c:\Daten, created the same way, keeps the entries PDF started with.
    const auto above = sim::SecurityOf("c:\\Daten");
    ASSERT_EQ(others.size(), above->dacl.size());
    for (std::size_t i = 0; i < others.size(); ++i) {
      EXPECT_EQ(others[i].sid, above->dacl[i].sid);
      EXPECT_EQ(others[i].mask, above->dacl[i].mask);
    }
  }

  std::string RundllLine() const { return test_data::PrinterCommand(programFolder); }
};

TEST_P(ScenarioRun, OnTheSimulation) {
  const Scenario& s = GetParam();
  const std::string ghostscript = PrepareRow(s);
  const std::string files = sim::DumpFiles();
  const std::string registry = sim::DumpRegistry();
  const auto logBefore = sim::FileContent(LogPath(s));

  EXPECT_EQ(Run(), ExitCode(s.end));
  ExpectBoxes(s);
  EXPECT_EQ(sim::UnscriptedPrompts(), 0);
  ExpectDialogs(s);
  ExpectPageOpened(s);
  ExpectPrograms(s);
  if (!s.log.empty()) ExpectLog(s);
  // Where nobody watches, the system's own error boxes are off too.
  EXPECT_EQ(sim::ErrorMode(), s.quiet ? 0x8003u : 0u);

  const std::string monitorKey = s.monitor == "german" ? kGerman : kRedirected;
  if (s.outcome == "unchanged") {
    EXPECT_TRUE(sim::RegWrites().empty());
    // Apart from the run's own record.
    if (logBefore) sim::AddFile(LogPath(s), *logBefore);
    EXPECT_EQ(sim::DumpFiles(), files);
    EXPECT_EQ(sim::DumpRegistry(), registry);
    EXPECT_TRUE(sim::PointerHistory().empty());
    return;
  }
  std::vector<Write> writes = PortWrites(monitorKey, programFolder);
  if (s.outcome == "failed") {
    // Nothing switches the busy pointer back after an unhandled failure.
    EXPECT_WRITES(writes);
    // The system folder a link leads to was not opened up.
    const auto system = sim::SecurityOf(sim::kSystemFolder);
    for (const platform::Ace& ace : system->dacl) {
      EXPECT_NE(ace.sid, test_data::OutputFolderAccess().sid);
    }
    EXPECT_FALSE(sim::FileExistsAt(BlockedFile()));
    EXPECT_THAT(sim::PointerHistory(), ElementsAreArray({platform::kPointerHourglass}));
    EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerHourglass);
    return;
  }
  // The port, then the driver data (the scripted set-up program writes its
  // monitor key through the simulation's control, which is not logged).
  for (const Write& w : DriverDataWrites()) writes.push_back(w);
  EXPECT_WRITES(writes);
  ExpectOutputAccess();
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
