// A simulated machine for scenario runs of the installer: program files with
// Ghostscript below "gs", the installer in "C:\Setup Files", and scripted
// programs for RedMon's set-up program and RUNDLL32 (whose PrintUIEntry /if
// adds the printer to the spooler).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/Module1.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/sim_fixture.h"
#include "tests/support/test_data.h"

namespace installer_test {

namespace sim = platform::sim;
using test_data::ExitCode;
using test_data::Message;
using test_data::PrintScript;

inline const std::string kProgramFiles = "C:\\Program Files";
inline const std::string kGhostscript = "C:\\Program Files\\gs\\gs9.50\\bin\\gswin32c.exe";
inline const std::string kMonitors = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
inline const std::string kRedirected = kMonitors + "\\Redirected Port";
inline const std::string kGerman = kMonitors + "\\Umgeleiteter Anschlu\xdf";
inline const std::string kPrinterKey =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\DUR-Orarudi";
inline const std::string kHklm = "HKEY_LOCAL_MACHINE\\";
// A standard user of the machine, who owns what they created.
inline const std::string kStandardUser = "S-1-5-21-1004336348-1177238915-682003330-1001";

inline std::string Sz(const std::string& text) { return text + '\0'; }

// A registry write as RegSetValueExA must have made it; the key below HKLM.
struct Write {
  std::string key, name;
  platform::Dword type;
  std::string data;
};

inline std::vector<Write> Writes(const std::string& key, const std::vector<test_data::Value>& values) {
  std::vector<Write> writes;
  for (const test_data::Value& v : values) writes.push_back({key, v.name, v.type, v.data});
  return writes;
}

inline std::vector<Write> PortWrites(const std::string& monitorKey, const std::string& programFolder) {
  return Writes(monitorKey + "\\Ports\\Dravelin:", test_data::PortValues(programFolder));
}

inline std::vector<Write> DriverDataWrites() {
  return Writes(kPrinterKey + "\\PrinterDriverData", test_data::DriverDataValues());
}

// Every registry write of the run, in order, against the expected ones.
inline void ExpectWrites(const char* file, int line, const std::vector<Write>& expected) {
  ::testing::ScopedTrace trace(file, line, "registry writes");
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
#define EXPECT_WRITES(expected) ::installer_test::ExpectWrites(__FILE__, __LINE__, expected)

// The index-th message box of the run: its text and style, with the
// installation title as caption, no owner, shown under the given pointer.
inline void ExpectBox(const char* file, int line, std::size_t index, const std::string& text,
                      platform::Dword style, int pointer = platform::kPointerDefault) {
  ::testing::ScopedTrace trace(file, line, "message box " + std::to_string(index));
  ASSERT_LT(index, sim::MessageBoxes().size());
  const auto& box = sim::MessageBoxes()[index];
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, Message("title"));
  EXPECT_EQ(box.style, style);
  EXPECT_EQ(box.owner, 0);
  EXPECT_EQ(box.pointer, pointer);
}
#define EXPECT_BOX(...) ::installer_test::ExpectBox(__FILE__, __LINE__, __VA_ARGS__)

// A monitor key with its "Driver" value (stored with its NUL).
inline void SetMonitor(const std::string& key, const std::string& driver) {
  sim::SetValue(platform::kHkeyLocalMachine, key, "Driver", platform::kRegSz, driver + '\0');
}

class InstallerRun : public host_test::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Prepare();
  }

  // A fresh machine set up as for every run, for the next case of a table.
  void NextRun() {
    NextCase();
    Prepare();
  }

  void Prepare() {
    sim::SetEnv("ProgramFiles", kProgramFiles);
    SetProgramFolder("C:\\Setup Files\\");
    sim::AddFile(kGhostscript, "gs");
    // PrintUIEntry /if: the spooler gets the printer named by /b on the port
    // named by /r with the driver model named by /m (and writes its key).
    // Still running at the first look, so that the run's wait on it shows.
    sim::AddProgram(
        "RUNDLL32",
        [this](const std::string& commandLine) {
          if (printerSetupFails) return platform::Dword{1};
          sim::AddPrinter(Quoted(commandLine, "/b"), Quoted(commandLine, "/r"), Quoted(commandLine, "/m"));
          return platform::Dword{0};
        },
        1);
  }

  // The text in double quotes after a switch of a command line ("" if none).
  static std::string Quoted(const std::string& commandLine, const std::string& name) {
    const std::size_t at = commandLine.find(" " + name + " \"");
    if (at == std::string::npos) return {};
    const std::size_t begin = at + name.size() + 3;
    return commandLine.substr(begin, commandLine.find('"', begin) - begin);
  }

  // Moves the installer (and its RedMon set-up program) to another folder.
  // The set-up registers the monitor (setupRegisters), or never ends by
  // itself (setupHangs); with setupRaces it makes c:\Daten\PDF a link to the
  // system folder while it runs.
  void SetProgramFolder(const std::string& folder) {
    programFolder = folder;
    sim::SetModulePath(folder + "DravelinInstall.exe");
    const std::string setup = folder + "printer\\setup.exe";
    sim::AddFile(setup);
    sim::AddProgram(
        setup,
        [this](const std::string&) {
          if (setupRaces) sim::AddLink("c:\\Daten\\PDF", sim::kSystemFolder);
          if (setupRegisters) {
            sim::SetValue(platform::kHkeyLocalMachine, kRedirected, "Driver", platform::kRegSz,
                          std::string("redmon35.dll\0", 13));
          }
          return platform::Dword{0};
        },
        setupHangs ? sim::kNeverEnds : 1);
  }

  int Run() { return Module1::RunInstaller(); }

  std::vector<std::string> CommandLines() const {
    std::vector<std::string> lines;
    for (const auto& call : sim::Processes()) lines.push_back(call.commandLine);
    return lines;
  }

  std::string programFolder;
  bool setupRegisters = true;
  bool setupHangs = false;
  bool setupRaces = false;
  bool printerSetupFails = false;  // PrintUIEntry creates no printer
};

}  // namespace installer_test
