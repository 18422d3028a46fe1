// The host runner of the scenario table (tests/data/scenarios.txt): each row
// becomes a run on the simulated machine. Besides what the row demands, it
// checks what only the simulation records: the order and bytes of every
// registry write, the pointer under each box and program, the dialog's
// record, and the order in which services were stopped and started.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/owners.h"
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

// Where an update puts the next Ghostscript version (change ghostscript_moved).
const std::string kGhostscriptUpdated = "C:\\Program Files\\gs\\gs9.56\\bin\\gswin32c.exe";
const std::string kPolicyKey = "Software\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
const std::string kDependent = "DravelinDienst";
// What a file that is there already holds: a record an earlier run left.
const std::string kEarlier = "\xEF\xBB\xBF" + test_data::EarlierLog();
// Where the link of "log = link" leads.
const std::string kLinkedFile = std::string(sim::kSystemFolder) + "\\drivers\\etc\\hosts";
// Where "plant = yes" starts the installer, and the programs it plants.
const std::string kStartFolder = "C:\\Arbeit";

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

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The lines of a dump without those of a key (the key, its values, its subkeys).
std::string Without(const std::string& dump, const std::string& key) {
  std::istringstream lines(dump);
  std::string kept, line;
  while (std::getline(lines, line)) {
    const bool below = line.rfind(key, 0) == 0 &&
                       (line.size() == key.size() || line[key.size()] == '\\' || line[key.size()] == '|');
    if (!below) kept += line + "\n";
  }
  return kept;
}

// A file dump without one file's entry ("<path>|<attributes>|<content>|..."
// up to the end of its line, the content as it was, line breaks and all).
std::string WithoutFile(std::string dump, const std::string& path, const std::string& content) {
  const std::size_t at = dump.rfind(path + "|", 0) == 0 ? 0 : dump.find("\n" + path + "|");
  if (at == std::string::npos) return dump;
  const std::size_t begin = at == 0 ? 0 : at + 1;
  const std::size_t attributesEnd = dump.find('|', begin + path.size() + 1);
  const std::size_t lineEnd = dump.find('\n', attributesEnd + 1 + content.size());
  return dump.erase(begin, lineEnd + 1 - begin);
}

// The things of a run on the simulated machine that grow with every run,
// counted, so that a row's checks see only its own run.
struct Counts {
  std::size_t writes = 0, processes = 0, boxes = 0, dialogs = 0, pointers = 0;
};

Counts Now() {
  return {sim::RegWrites().size(), sim::Processes().size(), sim::MessageBoxes().size(), sim::Dialogs().size(),
          sim::PointerHistory().size()};
}

template <typename T>
std::vector<T> From(const std::vector<T>& all, std::size_t first) {
  return std::vector<T>(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
}

class ScenarioRun : public InstallerRun, public ::testing::WithParamInterface<Scenario> {
 protected:
  // The row's machine and answers; answers the Ghostscript path the run
  // must find.
  std::string PrepareRow(const Scenario& s) {
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
    if (s.printer) sim::AddPrinter("DUR-Orarudi", test_data::PrinterPort(), test_data::DriverModel());
    for (const test_data::StoredValue& v : s.registry) {
      sim::SetValue(platform::kHkeyLocalMachine, v.key, v.name, platform::kRegSz, Sz(v.text));
    }
    if (s.dependent) sim::AddService(kDependent, true, {"Spooler"});
    if (s.installed) {
      sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\" /quiet");
      EXPECT_EQ(Run(), ExitCode(s.printui == "fails" ? "printer_not_created" : "completed"))
          << "set-up error: the installation before the run";
      installedRegistry = sim::DumpRegistry();
      // The run under test is a process of its own, with the system's error
      // boxes as a new process has them.
      platform::SetErrorMode(0);
    }
    for (const std::string& change : s.changes) {
      if (change == "ghostscript_moved") {
        sim::RemovePath(kGhostscript.substr(0, kGhostscript.find("\\bin\\")));
        sim::AddFile(kGhostscriptUpdated, "gs");
        ghostscript = kGhostscriptUpdated;
      } else if (change == "port_value") {
        sim::SetValue(platform::kHkeyLocalMachine, PortKey(s), "Delay", platform::kRegDword, std::string(4, '\0'));
      } else if (change == "printer_gone") {
        platform::UniquePrinter printer;
        EXPECT_TRUE(platform::OpenPrinterA("DUR-Orarudi", platform::kPrinterAllAccess, printer.Receive()) &&
                    platform::DeletePrinter(printer.Get()))
            << "set-up error: the printer deleted through the spooler";
      } else if (change == "wpp") {
        sim::SetValue(platform::kHkeyLocalMachine, kPolicyKey, "WindowsProtectedPrintGroupPolicyState",
                      platform::kRegDword, std::string("\x01\0\0\0", 4));
      }
    }
    if (s.spooler == "no_restart") sim::FailServiceStart("Spooler");
    if (s.deletePrinter == "fails") sim::FailDeletePrinter(platform::kErrorAccessDenied);
    if (!s.administrator) sim::SetAdministrator(false);
    sim::SetCommandLine("\"" + programFolder + "DravelinInstall.exe\"" +
                        (s.args.empty() ? "" : " " + Replace(s.args, "{program}", programFolder)));
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
  static std::string PortKey(const Scenario& s) {
    return (s.monitor == "german" ? kGerman : kRedirected) + "\\Ports\\Dravelin:";
  }

  void ExpectBoxes(const Scenario& s, const Counts& before) {
    const auto boxes = From(sim::MessageBoxes(), before.boxes);
    ASSERT_EQ(boxes.size(), s.boxes.size());
    // A file failure is reported under the busy pointer, which stays.
    const int pointer = s.outcome == "failed" ? platform::kPointerHourglass : platform::kPointerDefault;
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
      std::string text = Replace(Replace(Message(s.boxes[i].message), "{file}", BlockedFile()), "{folder}",
                                 Replace(s.folder, "{program}", programFolder));
      const std::size_t error = text.find("{error}");
      const std::string& actual = boxes[i].text;
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
      EXPECT_BOX(before.boxes + i, text, Style(s.boxes[i]), pointer);
    }
  }

  void ExpectDialogs(const Scenario& s, const Counts& before) {
    std::size_t files = 0;
    for (const std::string& step : s.steps) files += step.rfind("file:", 0) == 0;
    const auto dialogs = From(sim::Dialogs(), before.dialogs);
    ASSERT_EQ(dialogs.size(), files);
    for (const auto& dialog : dialogs) {
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

  // The programs the run started, in order: RedMon's set-up before the busy
  // pointer, the printer's installation under it (a repair runs only that,
  // for a printer the spooler lost); each by its full path as the
  // application name, in the system folder; a quiet run waits a bounded
  // time for each, a run with a user without a bound. Nothing planted ran.
  void ExpectPrograms(const Scenario& s, const Counts& before) {
    std::vector<std::string> expected, programs;
    if (s.setup == "ran") {
      expected.push_back("\"" + programFolder + "printer\\setup.exe\" -silent");
      programs.push_back(programFolder + "printer\\setup.exe");
    }
    const std::size_t underPointer = expected.size();
    if ((s.outcome == "installed" && s.end != "child_timeout") ||
        (s.outcome == "repaired" && Has(s.changes, "printer_gone"))) {
      expected.push_back(RundllLine() + (s.quiet ? " /q" : ""));
      programs.push_back(std::string(sim::kSystemFolder) + "\\rundll32.exe");
    }
    const auto processes = From(sim::Processes(), before.processes);
    std::vector<std::string> started;
    for (const auto& call : processes) started.push_back(call.commandLine);
    EXPECT_THAT(started, ElementsAreArray(expected));
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

  // The spooler's printer, as an installation leaves it.
  static void ExpectPrinter(bool present) {
    const auto printers = sim::Printers();
    const auto ours = std::find_if(printers.begin(), printers.end(),
                                   [](const sim::Printer& p) { return p.name == "DUR-Orarudi"; });
    ASSERT_EQ(ours != printers.end(), present);
    if (!present) return;
    EXPECT_EQ(ours->port, test_data::PrinterPort());
    EXPECT_EQ(ours->driver, test_data::DriverModel());
  }

  // A removal: our printer, its key and the port gone, all else as before;
  // the spooler (and the service that depends on it) running again.
  void ExpectRemoved(const Scenario& s, const std::string& registry, const std::string& files,
                     const std::string& script) {
    const bool printerStays = s.left == "printer";
    std::string expected = Without(registry, kHklm + PortKey(s));
    if (!printerStays) expected = Without(expected, kHklm + kPrinterKey);
    EXPECT_EQ(sim::DumpRegistry(), expected);
    EXPECT_EQ(sim::DumpFiles(), WithoutFile(files, programFolder + "Merovast.cmd", script));
    ExpectPrinter(printerStays);
    const bool restarts = s.spooler != "no_restart";
    EXPECT_EQ(sim::ServiceState("Spooler"), restarts ? platform::kServiceRunning : platform::kServiceStopped);
    if (s.dependent) {
      EXPECT_EQ(sim::ServiceState(kDependent), platform::kServiceRunning);
      EXPECT_THAT(sim::ServiceControls(), ElementsAreArray({"stop " + kDependent, std::string("stop Spooler"),
                                                            std::string("start Spooler"), "start " + kDependent}));
    }
  }

  std::string RundllLine() const { return test_data::PrinterCommand(programFolder); }

  std::string installedRegistry;  // the registry as the installation before the run left it
};

TEST_P(ScenarioRun, OnTheSimulation) {
  const Scenario& s = GetParam();
  const std::string ghostscript = PrepareRow(s);
  const std::string files = sim::DumpFiles();
  const std::string registry = sim::DumpRegistry();
  const std::string script = sim::FileContent(programFolder + "Merovast.cmd").value_or("");
  const auto logBefore = sim::FileContent(LogPath(s));
  const Counts before = Now();

  EXPECT_EQ(Run(), ExitCode(s.end));
  ExpectBoxes(s, before);
  EXPECT_EQ(sim::UnscriptedPrompts(), 0);
  ExpectDialogs(s, before);
  ExpectPageOpened(s);
  ExpectPrograms(s, before);
  if (!s.log.empty()) ExpectLog(s);
  // Where nobody watches, the system's own error boxes are off too.
  EXPECT_EQ(sim::ErrorMode(), s.quiet ? 0x8003u : 0u);

  const std::string monitorKey = s.monitor == "german" ? kGerman : kRedirected;
  if (s.outcome == "unchanged") {
    // Apart from the run's own record.
    if (logBefore) sim::AddFile(LogPath(s), *logBefore);
    EXPECT_EQ(sim::RegWrites().size(), before.writes);
    EXPECT_EQ(sim::DumpFiles(), files);
    EXPECT_EQ(sim::DumpRegistry(), registry);
    EXPECT_EQ(sim::PointerHistory().size(), before.pointers);
    return;
  }
  if (s.outcome == "removed") {
    ExpectRemoved(s, registry, files, script);
    return;
  }
  if (s.outcome == "repaired") {
    EXPECT_EQ(sim::DumpRegistry(), installedRegistry);
    EXPECT_EQ(sim::FileContent(programFolder + "Merovast.cmd").value_or("<missing>"),
              PrintScript(ghostscript, programFolder));
    ExpectPrinter(true);
    EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
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
  ExpectPrinter(s.end != "printer_not_created");
  EXPECT_THAT(sim::PointerHistory(),
              ElementsAreArray({platform::kPointerHourglass, platform::kPointerDefault}));
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioRun, ::testing::ValuesIn(SimRows()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace
}  // namespace installer_test
