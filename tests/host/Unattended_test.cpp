// Runs nobody watches, beyond the rows of the scenario table: the switches,
// quiet refusals, the usage box, unexpected exceptions and the details of
// the run's record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "installer/CommandLine.h"
#include "installer/Version.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/installer_fixture.h"
#include "tests/host/ui_constants.h"

namespace installer_test {
namespace {

using ::testing::ElementsAre;

constexpr platform::Dword kWarning = host_test::kMbOk | host_test::kMbIconExclamation;
const std::string kCommand = "\"C:\\Setup Files\\DravelinInstall.exe\"";

std::string Utf8(const std::u16string& text) { return platform::ToCodePage(platform::kCpUtf8, text); }

TEST(SplitCommandLine, AsTheCRuntimeSplits) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {u"\"C:\\Setup Files\\DravelinInstall.exe\"", {}},
      // The program's token runs on from its closing quote to a blank.
      {u"\"C:\\a b\\x.exe\"/q /log", {u"/log"}},
      {u"x.exe  /log \"C:\\Log Files\\a.txt\"\t-Q", {u"/log", u"C:\\Log Files\\a.txt", u"-Q"}},
      {u"x.exe \"a b c\" d e", {u"a b c", u"d", u"e"}},
      {u"x.exe \"ab\\\"c\" \"\\\\\" d", {u"ab\"c", u"\\", u"d"}},
      {u"x.exe a\\\\\\b d\"e f\"g h", {u"a\\\\\\b", u"de fg", u"h"}},
      {u"x.exe a\\\\\\\"b c d", {u"a\\\"b", u"c", u"d"}},
      {u"x.exe a\\\\\\\\\"b c\" d e", {u"a\\\\b c", u"d", u"e"}},
      {u"x.exe a\"b\"\" c d", {u"ab\" c d"}},
      {u"x.exe /gs \"C:\\gs\\\\\" \"\"", {u"/gs", u"C:\\gs\\", u""}},
      {u"x.exe /gs \"C:\\open", {u"/gs", u"C:\\open"}},  // an unclosed quote runs to the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Module1::SplitCommandLine(c.line), c.expected) << Utf8(c.line);
  }
}

TEST(ParseOptions, SwitchesAndRefusals) {
  const Module1::Options all =
      Module1::ParseOptions({u"-LOG", u"C:\\a.txt", u"/Gs", u"D:\\gswin64c.exe", u"/Q"});
  EXPECT_TRUE(all.quiet);
  EXPECT_FALSE(all.help);
  EXPECT_EQ(all.logPath, u"C:\\a.txt");
  EXPECT_EQ(all.ghostscript, u"D:\\gswin64c.exe");
  EXPECT_EQ(all.error, u"");
  EXPECT_TRUE(Module1::ParseOptions({u"/?"}).help);

  struct Case {
    std::vector<std::u16string> arguments;
    std::u16string error;
    bool quiet;
  };
  const std::vector<Case> refused = {
      {{u"/silent"}, u"Unbekannter Schalter: /silent", false},
      {{u"setup"}, u"Unbekanntes Argument: setup", false},
      {{u"/log"}, u"Zum Schalter /log fehlt der Name der Protokolldatei.", false},
      {{u"/log", u"/quiet"}, u"Zum Schalter /log fehlt der Name der Protokolldatei.", true},
      {{u"/gs", u""}, u"Zum Schalter /gs fehlt der Pfad von gswin32c.exe oder gswin64c.exe.", false},
      {{u"/x", u"/q"}, u"Unbekannter Schalter: /x", true},
      {{u"/repair", u"/Remove"}, u"Die Schalter /repair und /remove schlie\u00DFen sich aus.", false},
      {{u"-remove", u"/gs", u"C:\\gs\\gswin32c.exe"}, u"Der Schalter /gs gilt nicht f\u00FCr /remove.", false},
  };
  for (const Case& c : refused) {
    const Module1::Options options = Module1::ParseOptions(c.arguments);
    EXPECT_EQ(Utf8(options.error), Utf8(c.error));
    EXPECT_EQ(options.quiet, c.quiet) << Utf8(c.error);
  }
}

class UnattendedRun : public InstallerRun {
 protected:
  // The lines of the log as written (after the byte-order mark), each with
  // its time stamp cut off.
  std::vector<std::string> LogLines(const std::string& path) {
    const std::string bytes = sim::FileContent(path).value_or("");
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<std::string> lines;
    for (std::size_t at = 3; at < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", at);
      EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
      if (end == std::string::npos) break;
      const std::string line = bytes.substr(at, end - at);
      EXPECT_EQ(line.substr(0, 24), "2026-01-02 03:04:05.678 ");
      lines.push_back(line.substr(24));
      at = end + 2;
    }
    return lines;
  }
};

// ------------------------------------------------ quiet ends

// Quiet ends the scenario table leaves out; each shows nothing at all.
TEST_F(UnattendedRun, QuietRefusalsAndHelp) {
  struct Case {
    const char* name;
    std::string arguments;  // after the program's token
    bool visibleStation;
    const char* end;
  };
  const std::vector<Case> cases = {
      {"/gs names no file", "/quiet /gs C:\\gs\\gswin64c.exe", true, "ghostscript_missing"},
      {"unknown switch, nobody to see it", "/bogus", false, "usage_error"},
      {"help, quiet", "/q /?", true, "completed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    sim::RemovePath(kGhostscript);
    sim::SetCommandLine(kCommand + " " + c.arguments);
    sim::SetWindowStationVisible(c.visibleStation);
    EXPECT_EQ(Run(), ExitCode(c.end));
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(sim::Processes().empty());
    EXPECT_TRUE(sim::RegWrites().empty());
  }
}

// The usage box of /? is the table's row "help".
TEST_F(UnattendedRun, UsageBoxNamesTheMissingValue) {
  sim::SetCommandLine(kCommand + " /log");
  sim::QueueMessageBoxAnswer(platform::kIdOk);
  EXPECT_EQ(Run(), ExitCode("usage_error"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].text,
            "Zum Schalter /log fehlt der Name der Protokolldatei.\n\n" + Message("usage"));
  EXPECT_EQ(sim::MessageBoxes()[0].style, kWarning);
  EXPECT_TRUE(sim::Processes().empty());
  EXPECT_TRUE(sim::RegWrites().empty());
}

// A program fault that is no file or pointer failure: the failure code and
// the generic report with messages; quietly only in the log.
TEST_F(UnattendedRun, UnexpectedExceptionEndsWithFailureCode) {
  const auto failing = [](const std::string&) -> platform::Dword { throw std::bad_alloc(); };
  sim::AddProgram("RUNDLL32", failing);
  EXPECT_EQ(Run(), ExitCode("failure"));
  ASSERT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(sim::MessageBoxes()[0].text,
            "Die Installation wurde wegen eines unerwarteten Fehlers abgebrochen:\nstd::bad_alloc");
  EXPECT_EQ(sim::MessageBoxes()[0].style, host_test::kMbOk | host_test::kMbIconError);

  NextRun();
  sim::AddProgram("RUNDLL32", failing);
  sim::SetCommandLine(kCommand + " /quiet /log C:\\run.log");
  EXPECT_EQ(Run(), ExitCode("failure"));
  EXPECT_TRUE(sim::MessageBoxes().empty());
  const std::vector<std::string> lines = LogLines("C:\\run.log");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Unerwarteter Fehler: std::bad_alloc");
  EXPECT_EQ(lines.back(), "Ende: Exitcode 1, Fehler, die Installation wurde abgebrochen");
}

// ------------------------------------------------ the run's record

TEST_F(UnattendedRun, LogHoldsEveryWriteAndCommand) {
  sim::SetNativeArchitecture(platform::kProcessorArchitectureAmd64);
  sim::SetAdministrator(false);
  sim::AddFolder("C:\\Logs");
  sim::SetCommandLine(kCommand + " /log \"C:\\Logs\\Dravelin f\xfcr PDF.log\"");
  sim::AddProgram("C:\\Setup Files\\printer\\setup.exe", [](const std::string&) {
    sim::SetValue(platform::kHkeyLocalMachine, kRedirected, "Driver", platform::kRegSz,
                  std::string("redmon35.dll\0", 13));
    sim::AdvanceTickCount(1500);
    return platform::Dword{3010};
  });
  sim::DenyWrites(platform::kHkeyLocalMachine, kPrinterKey + "\\PrinterDriverData");
  sim::SetRedirectionTrustAnswer(0);
  ASSERT_EQ(Run(), ExitCode("completed"));

  const std::vector<std::string> lines = LogLines("C:\\Logs\\Dravelin f\xfcr PDF.log");
  ASSERT_GE(lines.size(), 10u);
  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 8),
              ElementsAre(std::string("DravelinInstall ") + DRAVELIN_VERSION_TEXT,
                          "Befehlszeile: " + kCommand + " /log \"C:\\Logs\\Dravelin f\xc3\xbcr PDF.log\"",
                          "Windows 5.1 (Build 2600) Service Pack 3, 64-Bit",
                          "Codepages: ANSI 1252, OEM 850", "Ohne Administratorrechte", "Konto: S-1-5-18",
                          "Schutz vor Umleitungen (RedirectionTrust): an", "Mit Meldungen und Fragen"));
  std::vector<std::string> writes, commands;
  for (const std::string& line : lines) {
    if (line.rfind("Registrierung: ", 0) == 0) writes.push_back(line);
    if (line.rfind("Beendet ", 0) == 0) commands.push_back(line);
  }
  ASSERT_EQ(writes.size(), 15u);
  EXPECT_EQ(writes[0], "Registrierung: HKLM\\" + kRedirected +
                           "\\Ports\\Dravelin: Wert \"Description\" (REG_SZ): Ergebnis 0");
  EXPECT_EQ(writes[4], "Registrierung: HKLM\\" + kRedirected +
                           "\\Ports\\Dravelin: Wert \"Output\" (REG_DWORD): Ergebnis 0");
  EXPECT_EQ(writes[14], "Registrierung: HKLM\\" + kPrinterKey +
                            "\\PrinterDriverData Wert \"PrinterData\" (REG_BINARY): Ergebnis 5 "
                            "Access is denied.");
  EXPECT_THAT(commands,
              ElementsAre("Beendet mit Exitcode 3010 nach 1500 ms: \"C:\\Setup Files\\printer\\setup.exe\" -silent",
                          "Beendet mit Exitcode 0 nach 0 ms: " + test_data::PrinterCommand(programFolder)));
  EXPECT_THAT(lines, ::testing::Contains("Ghostscript im Standardordner gefunden: " + kGhostscript));
  EXPECT_THAT(lines, ::testing::Contains("Anschlussmonitor: HKLM\\" + kRedirected));
  EXPECT_THAT(lines, ::testing::Contains("Drucker laut Spooler nach der Installation: Anschluss \"" +
                                         test_data::PrinterPort() + "\", Treiber \"" +
                                         test_data::DriverModel() + "\""));
  EXPECT_EQ(lines.back(), "Ende: Exitcode 0, Installation abgeschlossen");
}

}  // namespace
}  // namespace installer_test
