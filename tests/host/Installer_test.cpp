// Runs of the installer that only the simulated machine can stage (a refused
// folder, a failing pointer, browsing in the dialog, a drive's root, "%" and
// umlauts in paths), and the searches of its stages. The ordinary runs are
// rows of the scenario table (Scenario_test.cpp).
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

using host_test::kMbIconError;

constexpr platform::Dword kQuestion = host_test::kMbYesNoCancel | host_test::kMbIconQuestion;

// ------------------------------------------------ file failures

TEST_F(InstallerRun, OutputFolderFailureIsReportedAndKeepsThePort) {
  sim::AddFolder("c:\\Daten");
  sim::DenyCreateIn("c:\\Daten");  // the output folder can't be created
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  std::string text = Message("folder_failure");
  text.replace(text.find("{folder}"), 8, "c:\\Daten\\PDF");
  text.replace(text.find("{error}"), 7, platform::FormatMessageA(platform::kErrorAccessDenied));
  EXPECT_BOX(0, text, host_test::kMbOk | kMbIconError, platform::kPointerHourglass);
  EXPECT_WRITES(PortWrites(kRedirected, "C:\\Setup Files\\"));
  EXPECT_EQ(sim::Processes().size(), 1u);  // the RedMon set-up only
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

// Browsing in a cancelled dialog changes the current directory; the next
// attempt starts in the program-files folder again.
TEST_F(InstallerRun, EachDialogStartsInProgramFiles) {
  sim::RemovePath(kGhostscript);
  sim::AddFile("C:\\Tools\\any.exe");
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  sim::QueueDialogChoice(std::nullopt, "C:\\Elsewhere");
  sim::QueueMessageBoxAnswer(platform::kIdYes);
  sim::QueueDialogChoice("C:\\Tools\\any.exe");
  ASSERT_EQ(Run(), ExitCode("completed"));

  ASSERT_EQ(sim::MessageBoxes().size(), 2u);
  EXPECT_BOX(0, Message("question"), kQuestion);
  EXPECT_BOX(1, Message("question"), kQuestion);
  ASSERT_EQ(sim::Dialogs().size(), 2u);
  EXPECT_EQ(sim::Dialogs()[1].initialDir, "C:\\Program Files\\");
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

// At a drive's root the program folder keeps its single backslash.
TEST_F(InstallerRun, SetupCommandIsQuotedBelowARootFolder) {
  sim::AddDrive("D:");
  SetProgramFolder("D:\\");
  ASSERT_EQ(Run(), ExitCode("completed"));
  ASSERT_EQ(sim::Processes().size(), 2u);
  EXPECT_EQ(sim::Processes()[0].commandLine, "\"D:\\printer\\setup.exe\" -silent");
  EXPECT_EQ(sim::Processes()[1].commandLine, test_data::PrinterCommand("D:\\"));
  EXPECT_EQ(sim::FileContent("D:\\Merovast.cmd").value_or(""), PrintScript(kGhostscript, "D:\\"));
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
