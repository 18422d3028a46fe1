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

// A file dump without one file's entry ("<path>|<attributes>|<content>",
// the content as it was, line breaks and all).
std::string WithoutFile(std::string dump, const std::string& path, const std::string& content) {
  const std::size_t at = dump.rfind(path + "|", 0) == 0 ? 0 : dump.find("\n" + path + "|");
  if (at == std::string::npos) return dump;
  const std::size_t begin = at == 0 ? 0 : at + 1;
  const std::size_t attributesEnd = dump.find('|', begin + path.size() + 1);
  return dump.erase(begin, attributesEnd + 1 + content.size() + 1 - begin);
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
  static std::string PortKey(const Scenario& s) {
    return (s.monitor == "german" ? kGerman : kRedirected) + "\\Ports\\Dravelin:";
  }

  void ExpectBoxes(const Scenario& s, const Counts& before) {
    const auto boxes = From(sim::MessageBoxes(), before.boxes);
    ASSERT_EQ(boxes.size(), s.boxes.size());
    // A file failure is reported under the busy pointer, which stays.
    const int pointer = s.outcome == "failed" ? platform::kPointerHourglass : platform::kPointerDefault;
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
      std::string text = Replace(Message(s.boxes[i].message), "{file}", BlockedFile());
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
  // pointer, the access script and the printer's installation under it; a
  // repair runs only PrintUIEntry, for a printer the spooler lost.
  void ExpectPrograms(const Scenario& s, const Counts& before) {
    std::vector<std::string> expected;
    if (s.setup == "ran") expected.push_back("\"" + programFolder + "printer\\setup.exe\" -silent");
    const std::size_t underPointer = expected.size();
    if (s.outcome == "installed" || s.outcome == "failed") expected.push_back("c:\\Daten\\PDF\\PDFCacls.cmd");
    if (s.outcome == "installed" || (s.outcome == "repaired" && Has(s.changes, "printer_gone"))) {
      expected.push_back(RundllLine() + (s.quiet ? " /q" : ""));
    }
    const auto processes = From(sim::Processes(), before.processes);
    std::vector<std::string> started;
    for (const auto& call : processes) started.push_back(call.commandLine);
    EXPECT_THAT(started, ElementsAreArray(expected));
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
  const Counts before = Now();

  EXPECT_EQ(Run(), ExitCode(s.end));
  ExpectBoxes(s, before);
  EXPECT_EQ(sim::UnscriptedPrompts(), 0);
  ExpectDialogs(s, before);
  ExpectPageOpened(s);
  ExpectPrograms(s, before);
  if (!s.log.empty()) ExpectLog(s);

  const std::string monitorKey = s.monitor == "german" ? kGerman : kRedirected;
  if (s.outcome == "unchanged") {
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
  ExpectPrinter(s.end != "printer_not_created");
  EXPECT_THAT(sim::PointerHistory(),
              ElementsAreArray({platform::kPointerHourglass, platform::kPointerDefault}));
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioRun, ::testing::ValuesIn(SimRows()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace
}  // namespace installer_test
