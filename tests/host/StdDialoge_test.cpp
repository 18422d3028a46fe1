// StdDialoge::FileDialog / SelectFile on the simulated platform: the dialog
// record as the dialog receives it, the result and folder split, and the
// current directory afterwards.
#include "std/StdDialoge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "tests/host/sim_fixture.h"
#include "tests/host/ui_constants.h"

namespace {

namespace sim = platform::sim;
using namespace std::string_literals;
using namespace host_test;

// The open dialog's flags.
constexpr platform::Dword kOpenFlags = kOfnFileMustExist | kOfnPathMustExist | kOfnHideReadonly;

class FileDialogTest : public host_test::SimTest {
 protected:
  // Shows the dialog with the installer's arguments but the given ones.
  static std::u16string Show(std::u16string& folder, const std::u16string& filterSpec = u"#exe",
                             std::int16_t mode = 0,
                             const std::u16string& proposedName = u"gswin32c.exe") {
    return StdDialoge::FileDialog(0, u"Titel", folder, proposedName, filterSpec, u"exe", mode);
  }
};

std::string Printable(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) out += c == '\0' ? "\\0"s : std::string(1, c);
  return out;
}

TEST_F(FileDialogTest, FilterListFromSpecification) {
  const struct {
    std::u16string filterSpec;
    std::string filter;
  } cases[] = {
      {u"#exe", "Anwendungs-Dateien\0*.exe\0\0"s},
      {u"#doc#*", "Word-Dateien\0*.doc\0Alle Dateien\0*.*\0\0"s},
      {u"#pdf", "pdf-Dateien\0*.pdf\0\0"s},  // not in the table
      {u"#EXE", "EXE-Dateien\0*.EXE\0\0"s},  // keys match exactly
      {u"#exe##*", "Anwendungs-Dateien\0*.exe\0-Dateien\0*.\0Alle Dateien\0*.*\0\0"s},
      {u"#", "\0\0"s},
      {u"", "\0\0"s},
      {u"Text|*.txt|Alle|*.*", "Text\0*.txt\0Alle\0*.*\0\0"s},  // a ready list
      {u"#doc#xls#ppt#html#mht#bmp#jpg#csv#log#quendal#mdb#ini#txt#exe#dat#tdrl#tree#crestel",
       "Word-Dateien\0*.doc\0Excel-Dateien\0*.xls\0Powerpoint-Dateien\0*.ppt\0"
       "Web-Dateien\0*.html\0Webarchiv-Dateien\0*.mht\0Bitmap-Dateien\0*.bmp\0"
       "Jpeg-Dateien\0*.jpg\0CSV-Dateien\0*.csv\0Log-Dateien\0*.log\0"
       "Quen-DAL-Dateien\0*.quendal\0Access-Datenbank-Dateien\0*.mdb\0Ini-Dateien\0*.ini\0"
       "Text-Dateien\0*.txt\0Anwendungs-Dateien\0*.exe\0Quendal-Daten-Dateien\0*.dat\0"
       "Tandrel-Dateien\0*.tdrl\0Crestel Baum-Dateien\0*.tree\0Crestel-Dateien\0*.crestel\0\0"s},
  };
  for (const auto& c : cases) {
    NextCase();
    sim::QueueDialogChoice(std::nullopt);
    std::u16string folder = u"C:\\";
    Show(folder, c.filterSpec);
    ASSERT_EQ(sim::Dialogs().size(), 1u);
    EXPECT_EQ(Printable(sim::Dialogs()[0].filter), Printable(c.filter));
    EXPECT_EQ(sim::Dialogs()[0].filterIndex, 1u);
    EXPECT_TRUE(sim::Dialogs()[0].customFilterNull);
  }
}

// The buffer the dialog writes into: 300 bytes, the proposed name first, a
// NUL after it in every case (a longer name is cut to 299 characters).
TEST_F(FileDialogTest, FileBufferHoldsProposedName) {
  const struct {
    std::u16string name;
    std::string start;
  } cases[] = {
      {u"gswin32c.exe", "gswin32c.exe"},
      {u"", ""},
      {u"\u00dcbersicht.txt", "\xdc" "bersicht.txt"},
      {std::u16string(299, u'a'), std::string(299, 'a')},
      {std::u16string(300, u'b'), std::string(299, 'b')},
      {std::u16string(1000, u'c'), std::string(299, 'c')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name of " + std::to_string(c.name.size()) + " characters");
    NextCase();
    sim::QueueDialogChoice(std::nullopt);
    std::u16string folder;
    Show(folder, u"#exe", 0, c.name);
    ASSERT_EQ(sim::Dialogs().size(), 1u);
    const sim::DialogCall& call = sim::Dialogs()[0];
    EXPECT_EQ(call.maxFile, 300u);
    const std::string expected = c.start + std::string(300 - c.start.size(), '\0');
    EXPECT_EQ(Printable(call.fileBuffer), Printable(expected));
  }
}

TEST_F(FileDialogTest, ModeChoosesDialogAndFlags) {
  const struct {
    std::int16_t mode;
    bool save;
    platform::Dword flags;
  } cases[] = {{0, false, kOpenFlags},
                 {1, true, kOfnOverwritePrompt | kOfnPathMustExist | kOfnHideReadonly},
                 {2, true, kOfnPathMustExist | kOfnHideReadonly},
                 {5, true, 0},
                 {-1, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    NextCase();
    sim::QueueDialogChoice(std::nullopt);
    std::u16string folder;
    Show(folder, u"#exe", c.mode);
    ASSERT_EQ(sim::Dialogs().size(), 1u);
    EXPECT_EQ(sim::Dialogs()[0].save, c.save);
    EXPECT_EQ(sim::Dialogs()[0].flags, c.flags);
  }
}

TEST_F(FileDialogTest, RecordOfTheInstallersCall) {
  sim::QueueDialogChoice(std::nullopt);
  std::u16string folder = u"C:\\Programme\\";
  const platform::Hwnd owner = 0x1234;
  StdDialoge::SelectFile(owner, u"Bitte gswin32c.exe ausw\u00e4hlen!", folder, u"gswin32c.exe",
                         u"#exe", u"exe");
  ASSERT_EQ(sim::Dialogs().size(), 1u);
  const sim::DialogCall& call = sim::Dialogs()[0];
  EXPECT_FALSE(call.save);
  EXPECT_EQ(call.structSize, 76u);
  EXPECT_EQ(call.owner, owner);
  EXPECT_EQ(call.instance, 0);
  EXPECT_EQ(call.title, "Bitte gswin32c.exe ausw\xe4hlen!");
  EXPECT_FALSE(call.initialDirNull);
  EXPECT_EQ(call.initialDir, "C:\\Programme\\");
  EXPECT_EQ(call.defExt, "exe");
  EXPECT_EQ(call.flags, kOpenFlags);
  EXPECT_TRUE(call.fileTitleNull);
  EXPECT_EQ(call.custData, 0);
  EXPECT_TRUE(call.hookNull);
  EXPECT_TRUE(call.templateNameNull);
}

TEST_F(FileDialogTest, EmptyFolderStartsInCurrentDirectory) {
  sim::AddFolder("C:\\Work");
  sim::SetCurrentDir("C:\\Work");
  sim::QueueDialogChoice(std::nullopt);
  std::u16string folder;
  Show(folder);
  ASSERT_EQ(sim::Dialogs().size(), 1u);
  EXPECT_EQ(sim::Dialogs()[0].initialDir, "C:\\Work");
}

TEST_F(FileDialogTest, SplitsChoiceIntoFolderAndName) {
  const struct {
    std::u16string folderIn;
    std::string chosen;
    std::u16string result;
    std::u16string folderOut;
  } cases[] = {
      {u"C:\\Programme\\", "C:\\gs\\gs9\\bin\\gswin32c.exe", u"gswin32c.exe", u"C:\\gs\\gs9\\bin\\"},
      {u"", "C:\\x\\y.exe", u"C:\\x\\y.exe", u""},
      {u"C:\\Programme\\", "C:\\y.exe", u"y.exe", u"C:\\"},
      {u"C:\\", "C:\\B\xfcro\\\xe4.exe", u"\u00e4.exe", u"C:\\B\u00fcro\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    NextCase();
    sim::QueueDialogChoice(c.chosen);
    std::u16string folder = c.folderIn;
    const std::u16string result = Show(folder);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(folder, c.folderOut);
    EXPECT_EQ(folder + result, platform::FromAnsi(c.chosen));
  }
}

TEST_F(FileDialogTest, CancelAndFailureLeaveFolder) {
  const struct {
    const char* what;
    std::u16string folder;
    std::optional<std::string> choice;
  } cases[] = {
      {"cancel", u"C:\\Programme\\", std::nullopt},
      {"cancel, empty folder", u"", std::nullopt},
      {"path longer than the buffer", u"C:\\Programme\\", "C:\\" + std::string(400, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextCase();
    sim::QueueDialogChoice(c.choice);
    std::u16string folder = c.folder;
    EXPECT_EQ(Show(folder), u"");
    EXPECT_EQ(folder, c.folder);
  }
}

TEST_F(FileDialogTest, CurrentDirectoryIsPutBack) {
  for (const bool choose : {true, false}) {
    SCOPED_TRACE(choose ? "chosen" : "cancelled");
    NextCase();
    sim::AddFolder("C:\\Work");
    sim::AddDrive("D:");
    sim::AddFile("D:\\Other\\a.exe");
    sim::SetCurrentDir("C:\\Work");
    sim::QueueDialogChoice(choose ? std::optional<std::string>("D:\\Other\\a.exe") : std::nullopt,
                           "D:\\Other");
    std::u16string folder = u"C:\\Programme\\";
    Show(folder);
    ASSERT_EQ(sim::Dialogs().size(), 1u);
    EXPECT_EQ(sim::Dialogs()[0].currentDir, "C:\\Work");
    EXPECT_EQ(sim::CurrentDir(), "C:\\Work");
  }
}

}  // namespace
