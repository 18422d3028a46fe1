// Scenario runs of the whole installer on the simulated machine: what the
// user sees (message boxes, dialog, pointer), what stays on the system
// (registry values, scripts) and which programs were started.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/Module1.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/installer_fixture.h"
#include "platform/test_hooks.h"
#include "tests/host/ui_constants.h"

namespace installer_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using platform::kHkeyLocalMachine;
using host_test::kMbIconError;

constexpr platform::Dword kWarning = host_test::kMbOk | host_test::kMbIconExclamation;
constexpr platform::Dword kQuestion = host_test::kMbYesNoCancel | host_test::kMbIconQuestion;
constexpr platform::Dword kYesNoQuestion = host_test::kMbYesNo | host_test::kMbIconQuestion;

std::string Sz(const std::string& text) { return text + '\0'; }

struct Write {
  std::string key, name;
  platform::Dword type;
  std::string data;
};

void ExpectWrites(const std::vector<Write>& expected) {
  const auto& actual = sim::RegWrites();
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("write " + std::to_string(i) + ": " + actual[i].name);
    EXPECT_EQ(actual[i].keyPath, kHklm + expected[i].key);
    EXPECT_EQ(actual[i].name, expected[i].name);
    EXPECT_EQ(actual[i].type, expected[i].type);
    EXPECT_EQ(actual[i].data, expected[i].data);
  }
}

std::vector<Write> Writes(const std::string& key, const std::vector<test_data::Value>& values) {
  std::vector<Write> writes;
  for (const test_data::Value& v : values) writes.push_back({key, v.name, v.type, v.data});
  return writes;
}

std::vector<Write> PortWrites(const std::string& monitorKey, const std::string& programFolder) {
  return Writes(monitorKey + "\\Ports\\Dravelin:", test_data::PortValues(programFolder));
}

std::vector<Write> DriverDataWrites() {
  return Writes(kPrinterKey + "\\PrinterDriverData", test_data::DriverDataValues());
}

std::string RundllLine(const std::string& programFolder) {
  return test_data::PrinterCommand(programFolder);
}

void ExpectBox(std::size_t index, const std::string& text, platform::Dword style) {
  ASSERT_LT(index, sim::MessageBoxes().size());
  const auto& box = sim::MessageBoxes()[index];
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, Message("title"));
  EXPECT_EQ(box.style, style);
  EXPECT_EQ(box.owner, 0);
  EXPECT_EQ(box.pointer, platform::kPointerDefault) << "box shown under the busy pointer";
}

// ------------------------------------------------------------ complete runs

TEST_F(InstallerRun, FirstInstallationWithoutRedMon) {
  ASSERT_EQ(Run(), ExitCode("completed"));

  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_TRUE(sim::Dialogs().empty());
  EXPECT_THAT(CommandLines(),
              ElementsAre("\"C:\\Setup Files\\printer\\setup.exe\" -silent",
                          "c:\\Daten\\PDF\\PDFCacls.cmd", RundllLine(programFolder)));
  // The set-up program runs before the busy pointer, the other two under it.
  const auto& processes = sim::Processes();
  EXPECT_EQ(processes[0].pointer, platform::kPointerDefault);
  EXPECT_EQ(processes[1].pointer, platform::kPointerHourglass);
  EXPECT_EQ(processes[2].pointer, platform::kPointerHourglass);
  EXPECT_THAT(sim::PointerHistory(),
              ElementsAre(platform::kPointerHourglass, platform::kPointerDefault));
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);

  // The port, then the driver data (the scripted set-up program writes its
  // monitor key through the simulation's control, which is not logged).
  std::vector<Write> writes = PortWrites(kRedirected, "C:\\Setup Files\\");
  for (const Write& w : DriverDataWrites()) writes.push_back(w);
  ExpectWrites(writes);

  EXPECT_EQ(accessScript, test_data::AccessScript());
  EXPECT_FALSE(sim::FileExistsAt("c:\\Daten\\PDF\\PDFCacls.cmd"));
  EXPECT_TRUE(sim::FolderExistsAt("c:\\Daten\\PDF"));
  EXPECT_EQ(sim::FileContent("C:\\Setup Files\\Merovast.cmd").value_or("<missing>"),
            PrintScript(kGhostscript, programFolder));
}

TEST_F(InstallerRun, MonitorPresentRunsNoSetupAndSecondRunStops) {
  SetMonitor(kGerman, "redmon35.dll");
  ASSERT_EQ(Run(), ExitCode("completed"));
  EXPECT_THAT(CommandLines(),
              ElementsAre("c:\\Daten\\PDF\\PDFCacls.cmd", RundllLine(programFolder)));
  EXPECT_EQ(sim::RegWrites().front().keyPath, kHklm + kGerman + "\\Ports\\Dravelin:");

  // The printer set-up program has registered the printer.
  sim::SetValue(kHkeyLocalMachine, kPrinterKey, "Name", platform::kRegSz, Sz("DUR-Orarudi"));
  const std::string files = sim::DumpFiles();
  const std::string registry = sim::DumpRegistry();
  const std::size_t writes = sim::RegWrites().size();
  ASSERT_EQ(Run(), ExitCode("printer_installed"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  ExpectBox(0, Message("existing"), kWarning);
  EXPECT_EQ(sim::DumpFiles(), files);
  EXPECT_EQ(sim::DumpRegistry(), registry);
  EXPECT_EQ(sim::RegWrites().size(), writes);
}

TEST_F(InstallerRun, ExistingKeyWithoutNameDoesNotStop) {
  sim::AddKey(kHkeyLocalMachine, kPrinterKey + "\\PrinterDriverData");
  sim::SetValue(kHkeyLocalMachine, kPrinterKey, "Name", platform::kRegSz, Sz(""));
  sim::SetValue(kHkeyLocalMachine,
                "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Other", "Name",
                platform::kRegSz, Sz("Other"));
  ASSERT_EQ(Run(), ExitCode("completed"));
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_EQ(sim::Processes().size(), 3u);
}

// ------------------------------------------------ runs that end early

struct EarlyEnd {
  const char* name;
  bool removeGhostscript;
  std::vector<int> answers;
  bool setupRegisters;
  std::vector<std::pair<std::string, platform::Dword>> boxes;
  std::size_t shellExecutes;
  std::size_t processes;
  int exitCode;
};

TEST_F(InstallerRun, EarlyEndsChangeNothing) {
  const std::vector<EarlyEnd> cases = {
      {"question cancelled", true, {platform::kIdCancel}, true, {{Message("question"), kQuestion}}, 0, 0,
       ExitCode("ghostscript_cancelled")},
      {"no, no", true, {platform::kIdNo, platform::kIdNo}, true,
       {{Message("question"), kQuestion}, {Message("download"), kYesNoQuestion}}, 0, 0,
       ExitCode("download_question")},
      {"no, yes: download page", true, {platform::kIdNo, platform::kIdYes}, true,
       {{Message("question"), kQuestion}, {Message("download"), kYesNoQuestion}}, 1, 0,
       ExitCode("download_question")},
      {"monitor still missing", false, {platform::kIdOk}, false, {{Message("monitor"), kWarning}}, 0, 1,
       ExitCode("monitor_missing")},
  };
  for (const EarlyEnd& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    setupRegisters = c.setupRegisters;
    SetMonitor(kRedirected, "RedMon35.dll");  // fails the lower-case signature
    if (c.removeGhostscript) sim::RemovePath(kGhostscript);
    for (int answer : c.answers) sim::QueueMessageBoxAnswer(answer);
    const std::string files = sim::DumpFiles();
    const std::string registry = sim::DumpRegistry();

    EXPECT_EQ(Run(), c.exitCode);
    ASSERT_EQ(sim::MessageBoxes().size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) ExpectBox(i, c.boxes[i].first, c.boxes[i].second);
    EXPECT_EQ(sim::UnscriptedPrompts(), 0);
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_EQ(sim::Processes().size(), c.processes);
    ASSERT_EQ(sim::ShellExecutes().size(), c.shellExecutes);
    if (c.shellExecutes == 1) {
      const auto& call = sim::ShellExecutes()[0];
      EXPECT_EQ(call.window, 0);
      EXPECT_EQ(call.operation, "open");
      EXPECT_EQ(call.file, "https://www.ghostscript.com/download/ghostscript.html");
      EXPECT_EQ(call.parameters, "");
      EXPECT_EQ(call.directory, "C:\\");
      EXPECT_EQ(call.showCommand, 1);
    }
    EXPECT_TRUE(sim::RegWrites().empty());
    EXPECT_EQ(sim::DumpFiles(), files);
    EXPECT_EQ(sim::DumpRegistry(), registry);
    EXPECT_TRUE(sim::PointerHistory().empty());
  }
}

// ------------------------------------------------ script file failures

TEST_F(InstallerRun, AccessScriptFailureIsReportedAndKeepsThePort) {
  sim::AddFolder("c:\\Daten");
  sim::DenyCreateIn("c:\\Daten");  // the output folder can't be created
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  const auto& box = sim::MessageBoxes()[0];
  EXPECT_EQ(box.text,
            "Die Datei c:\\Daten\\PDF\\PDFCacls.cmd konnte nicht geschrieben werden:\n"
            "The system cannot find the path specified.\n\nDie Installation wurde abgebrochen.");
  EXPECT_EQ(box.caption, Message("title"));
  EXPECT_EQ(box.style, host_test::kMbOk | kMbIconError);
  ExpectWrites(PortWrites(kRedirected, "C:\\Setup Files\\"));
  EXPECT_EQ(sim::Processes().size(), 1u);  // the RedMon set-up only
}

// After an unhandled file failure the busy pointer stays until the process
// ends: the error report appears under it and nothing switches it back.
TEST_F(InstallerRun, BusyPointerStaysAfterAFileFailure) {
  sim::DenyCreateIn("C:\\Setup Files");
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].pointer, platform::kPointerHourglass);
  EXPECT_THAT(sim::PointerHistory(), ElementsAre(platform::kPointerHourglass));
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerHourglass);
}

TEST_F(InstallerRun, PrintScriptFailureIsReported) {
  sim::DenyCreateIn("C:\\Setup Files");
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].text,
            "Die Datei C:\\Setup Files\\Merovast.cmd konnte nicht geschrieben werden:\n"
            "Access is denied.\n\nDie Installation wurde abgebrochen.");
  EXPECT_EQ(sim::MessageBoxes()[0].style, host_test::kMbOk | kMbIconError);
  EXPECT_EQ(accessScript, test_data::AccessScript());
  EXPECT_FALSE(sim::FileExistsAt("C:\\Setup Files\\Merovast.cmd"));
  EXPECT_EQ(sim::Processes().size(), 2u);  // no printer installation
  ExpectWrites(PortWrites(kRedirected, "C:\\Setup Files\\"));
}

// The system has no text for the pointer's error (ERROR_INVALID_CURSOR_HANDLE,
// 1402, on the simulated machine): the report names the code.
TEST_F(InstallerRun, PointerFailureIsReported) {
  sim::FailPointer(true);
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].text,
            "Die Installation wurde wegen eines Systemfehlers abgebrochen:\nFehler 1402");
  EXPECT_EQ(sim::MessageBoxes()[0].style, host_test::kMbOk | kMbIconError);
  EXPECT_TRUE(sim::RegWrites().empty());
}

// ------------------------------------------------ Ghostscript location

TEST_F(InstallerRun, DialogChoiceBecomesTheGhostscriptPath) {
  sim::RemovePath(kGhostscript);
  sim::AddFile("C:\\Tools\\any.exe");
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  sim::QueueDialogChoice(std::nullopt, "C:\\Elsewhere");  // cancelled after browsing
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  sim::QueueDialogChoice("C:\\Tools\\any.exe");
  ASSERT_EQ(Run(), ExitCode("completed"));

  ASSERT_EQ(sim::MessageBoxes().size(), 2u);
  ExpectBox(0, Message("question"), kQuestion);
  ExpectBox(1, Message("question"), kQuestion);
  ASSERT_EQ(sim::Dialogs().size(), 2u);
  for (const auto& dialog : sim::Dialogs()) {
    EXPECT_FALSE(dialog.save);
    EXPECT_EQ(dialog.owner, 0);
    EXPECT_EQ(dialog.title, "Bitte gswin32c.exe ausw\xe4hlen!");
    EXPECT_EQ(dialog.initialDir, "C:\\Program Files\\") << "each attempt starts there again";
    EXPECT_EQ(dialog.fileBuffer.substr(0, 13), std::string("gswin32c.exe\0", 13));
    EXPECT_EQ(dialog.filter, std::string("Anwendungs-Dateien\0*.exe\0\0", 26));
    EXPECT_EQ(dialog.defExt, "exe");
    EXPECT_EQ(dialog.pointer, platform::kPointerDefault);
  }
  EXPECT_EQ(sim::FileContent("C:\\Setup Files\\Merovast.cmd").value_or(""),
            PrintScript("C:\\Tools\\any.exe", programFolder));
}

TEST_F(InstallerRun, WithoutProgramFilesTheDialogPathIsUsedWhole) {
  sim::SetEnv("ProgramFiles", std::nullopt);
  sim::AddFile("C:\\gs\\gswin32c.exe");
  sim::AddFolder("C:\\Work");
  sim::SetCurrentDir("C:\\Work");
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  sim::QueueDialogChoice("C:\\gs\\gswin32c.exe");
  ASSERT_EQ(Run(), ExitCode("completed"));
  ASSERT_EQ(sim::Dialogs().size(), 1u);
  EXPECT_EQ(sim::Dialogs()[0].initialDir, "C:\\Work") << "the current directory";
  EXPECT_EQ(sim::FileContent("C:\\Setup Files\\Merovast.cmd").value_or(""),
            PrintScript("C:\\gs\\gswin32c.exe", programFolder));
}

// ------------------------------------------------ Ghostscript search

using FindGhostscript = host_test::SimTest;

TEST_F(FindGhostscript, WinnerRule) {
  const std::string gs = kProgramFiles + "\\gs\\";
  const std::string gsAlt = kProgramFiles + "\\Ghostscript\\";
  const std::string bin = "\\bin\\gswin32c.exe";
  struct Case {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::pair<std::string, std::vector<std::string>>> orders;
    std::vector<std::string> hidden;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"gs wins over Ghostscript", {gsAlt + "gs9.10" + bin, gs + "gs8.63" + bin}, {}, {},
       gs + "gs8.63" + bin},
      {"Ghostscript when gs has none", {gsAlt + "gs9.10" + bin, gs + "gsview\\x.exe"}, {}, {},
       gsAlt + "gs9.10" + bin},
      {"listing order, not version", {gs + "gs9.50" + bin, gs + "gs8.63" + bin},
       {{gs, {"gs9.50", "gs8.63"}}}, {}, gs + "gs9.50" + bin},
      {"listing order reversed", {gs + "gs9.50" + bin, gs + "gs8.63" + bin},
       {{gs, {"gs8.63", "gs9.50"}}}, {}, gs + "gs8.63" + bin},
      {"capital GS is a candidate", {gs + "GS9" + bin}, {}, {}, gs + "GS9" + bin},
      {"gsview without program passed over", {gs + "gsview\\gsview32.exe", gs + "gs9" + bin},
       {{gs, {"gsview", "gs9"}}}, {}, gs + "gs9" + bin},
      {"other names never probed", {gs + "ghost" + bin, gs + "9.50" + bin}, {}, {}, ""},
      {"files named gs* ignored", {gs + "gswin32c.exe", gs + "gsbin"}, {}, {}, ""},
      {"hidden candidate counts", {gs + "gs9" + bin}, {}, {gs + "gs9"}, gs + "gs9" + bin},
      {"nothing installed", {}, {}, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextCase();
    sim::SetEnv("ProgramFiles", kProgramFiles);
    for (const auto& f : c.files) sim::AddFile(f);
    for (const auto& h : c.hidden) {
      sim::AddFolder(h, platform::kFileAttributeDirectory | platform::kFileAttributeHidden);
    }
    for (const auto& o : c.orders) sim::SetListingOrder(o.first.substr(0, o.first.size() - 1), o.second);
    EXPECT_EQ(platform::ToAnsi(Module1::FindGhostscript()), c.expected);
  }
}

TEST_F(FindGhostscript, ProbesOnlyCandidates) {
  sim::SetEnv("ProgramFiles", kProgramFiles);
  sim::AddFolder(kProgramFiles + "\\gs\\gsview");
  sim::AddFolder(kProgramFiles + "\\gs\\other");
  sim::AddFolder(kProgramFiles + "\\gs\\fonts");
  const int before = sim::CallCount("GetFileLengthA");
  EXPECT_EQ(Module1::FindGhostscriptIn(u"gs"), u"");
  EXPECT_EQ(sim::CallCount("GetFileLengthA") - before, 1) << "only gsview is tested";
}

// ------------------------------------------------ port monitor

using FindRedirectionMonitor = host_test::SimTest;

TEST_F(FindRedirectionMonitor, NamesAndSignature) {
  struct Case {
    const char* name;
    std::string english, german;  // driver values; "-" for no key
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"both pass: English", "redmon35.dll", "redmon35.dll", kRedirected},
      {"only German", "-", "redmon35.dll", kGerman},
      {"English not RedMon", "other.dll", "redmon35.dll", kGerman},
      {"mixed case fails", "RedMon35.dll", "-", ""},
      {"too short", "redmo", "-", ""},
      {"exactly the signature", "redmon", "-", kRedirected},
      {"none", "-", "-", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextCase();
    if (c.english != "-") SetMonitor(kRedirected, c.english);
    if (c.german != "-") SetMonitor(kGerman, c.german);
    EXPECT_EQ(platform::ToAnsi(Module1::FindRedirectionMonitor()), c.expected);
  }
}

TEST_F(InstallerRun, SetupCommandIsQuotedBelowTheProgramFolder) {
  for (const std::string folder : {"C:\\Setup Files\\", "D:\\"}) {
    SCOPED_TRACE(folder);
    NextRun();
    sim::AddDrive("D:");
    SetProgramFolder(folder);
    ASSERT_EQ(Run(), ExitCode("completed"));
    ASSERT_EQ(sim::Processes().size(), 3u);
    EXPECT_EQ(sim::Processes()[0].commandLine, "\"" + folder + "printer\\setup.exe\" -silent");
    EXPECT_EQ(sim::Processes()[2].commandLine, RundllLine(folder));
    EXPECT_EQ(sim::FileContent(folder + "Merovast.cmd").value_or(""),
              PrintScript(kGhostscript, folder));
  }
}

// ------------------------------------------------ print script bytes

TEST_F(InstallerRun, PrintScriptPathsInCmdTerms) {
  sim::SetEnv("ProgramFiles", "C:\\Programme f\xfcr 100%");
  const std::string gsPath = "C:\\Programme f\xfcr 100%\\gs\\gs9\\bin\\gswin32c.exe";
  sim::AddFile(gsPath);
  SetProgramFolder("C:\\Stra\xdf" "e %TEMP%\\");
  ASSERT_EQ(Run(), ExitCode("completed"));
  // OEM 850: u-umlaut 0x81, sharp s 0xE1; every "%" of a path doubled.
  EXPECT_EQ(sim::FileContent("C:\\Stra\xdf" "e %TEMP%\\Merovast.cmd").value_or("<missing>"),
            PrintScript("C:\\Programme f\x81r 100%%\\gs\\gs9\\bin\\gswin32c.exe",
                        "C:\\Stra\xe1" "e %%TEMP%%\\"));
  // The registry is no batch file: the bare ANSI path.
  EXPECT_EQ(sim::RegWrites()[1].data, Sz("C:\\Stra\xdf" "e %TEMP%\\Merovast.cmd"));
}

}  // namespace
}  // namespace installer_test
