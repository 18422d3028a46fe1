// StdModul on the simulated platform: the text helpers case by case, and the
// file-system helpers against the simulated file system.
#include "std/StdModul.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "platform/sim/sim.h"
#include "platform/test_hooks.h"
#include "tests/host/sim_fixture.h"

namespace {

namespace sim = platform::sim;
using StdModul::NameList;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using SimFixture = host_test::SimTest;

// ------------------------------------------------------------ text helpers

TEST(NextToken, CutsAtTheFirstDelimiter) {
  struct Case { std::u16string source, delimiter, token, rest; };
  const Case cases[] = {
      {u"gs,Ghostscript", u",", u"gs", u"Ghostscript"},
      {u"Ghostscript", u",", u"Ghostscript", u""},  // no delimiter: all of it
      {u"", u",", u"", u""},
      {u"\\a", u"\\", u"", u"a"},                   // at the start
      {u"a\\", u"\\", u"a", u""},                   // at the end
      {u"C:\\x", u":\\", u"C", u"x"},               // two-character delimiter
      {u"a,b", u"", u"a,b", u""},                   // an empty delimiter never occurs
  };
  for (const Case& c : cases) {
    std::u16string source = c.source;
    EXPECT_EQ(StdModul::NextToken(source, c.delimiter), c.token) << "source " << ::testing::PrintToString(c.source);
    EXPECT_EQ(source, c.rest) << "source " << ::testing::PrintToString(c.source);
  }
}

TEST(NextListToken, CutsAtTheFirstUnescapedDelimiterAndKeepsEscapes) {
  std::u16string source = u"a\\|b|c";
  EXPECT_EQ(StdModul::NextListToken(source, u"|"), u"a\\|b");
  EXPECT_EQ(source, u"c");
  source = u"a\\\\|b";
  EXPECT_EQ(StdModul::NextListToken(source, u"|"), u"a\\\\");
  EXPECT_EQ(source, u"b");
  source = u"a\\|b";
  EXPECT_EQ(StdModul::NextListToken(source, u"|"), u"a\\|b");
  EXPECT_EQ(source, u"");
}

TEST(FindUnescaped, CountsTheBackslashesBefore) {
  struct Case { std::u16string text, delimiter; std::int32_t position; };
  const Case cases[] = {
      {u"a\\|b|c", u"|", 5},
      {u"a\\\\|b", u"|", 4},         // escaped backslash, then the delimiter
      {u"\\|", u"|", 0},
      {u"|", u"|", 1},
      {u"x\\\\\\|y|", u"|", 7},      // three backslashes escape
      {u"\\|||", u"||", 3},          // overlapping occurrence of a longer delimiter
      {u"abc", u"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StdModul::FindUnescaped(c.text, c.delimiter), c.position)
        << ::testing::PrintToString(c.text);
  }
}

TEST(LookupListValue, FirstExactKeyWinsAndValueIsUnescaped) {
  struct Case { std::u16string list, key, value; };
  const Case cases[] = {
      {u"doc=Word|xls=Excel", u"xls", u"Excel"},
      {u"doc=Word|xls=Excel", u"XLS", u""},      // case counts
      {u"doc=|doc=Word", u"doc", u""},           // first item wins
      {u"k=a\\|b", u"k", u"a|b"},
      {u"k=x=y", u"k", u"x=y"},
      {u"k", u"k", u""},
      {u"||k=v|", u"k", u"v"},                   // empty items
      {u"", u"k", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StdModul::LookupListValue(c.list, c.key), c.value)
        << ::testing::PrintToString(c.list) << " key " << ::testing::PrintToString(c.key);
  }
}

TEST(ReplaceText, ReplacesEveryOccurrenceOnce) {
  struct Case { std::u16string text, search, replacement; bool ignoreCase, wholeWord; std::u16string result; };
  const Case cases[] = {
      {u"C:/a/b", u"/", u"\\", false, false, u"C:\\a\\b"},
      {u"aXa", u"a", u"aa", false, false, u"aaXaa"},        // inserted text not searched again
      {u"aaa", u"a", u"", false, false, u""},
      {u"aaaa", u"aa", u"b", false, false, u"bb"},          // no overlap
      {u"aaa", u"aa", u"b", false, false, u"ba"},
      {u"abc", u"", u"x", false, false, u"abc"},            // empty search: unchanged
      {u"abc", u"abcd", u"x", false, false, u"abc"},
      {u"ABC abc", u"abc", u"x", true, false, u"x x"},
      {u"AbCabc", u"ABC", u"xYz", true, false, u"xYzxYz"},  // in place, replacement's own case
      {u"\u00C4RGER \u00E4rger", u"\u00E4rger", u"x", true, false, u"x x"},
      {u"\u0160\u0152\u017D\u0178", u"\u0161\u0153\u017E\u00FF", u"ok", true, false, u"ok"},
      {u"\u00D7\u00F7", u"\u00F7", u"x", true, false, u"\u00D7x"},  // the sign has no small letter
      {u"\u0393\u03A9\u03C9", u"\u03C9", u"x", true, false, u"\u0393xx"},  // outside code page 1252
      {u"cat catalog _cat cat1", u"cat", u"dog", false, true, u"dog catalog _cat dog1"},
      {u"catcat", u"cat", u"dog", false, true, u"catcat"},
      {u"abab ab", u"ab", u"X", false, true, u"abab X"},
      {u"Cat CATALOG cAt", u"CAT", u"dog", true, true, u"dog CATALOG dog"},
      // The left neighbour of a later occurrence may be inserted text.
      {u"--", u"-", u"a", false, true, u"a-"},
      {u"--", u"-", u"ab", false, true, u"ab-"},
      {u"--", u"-", u"", false, true, u""},
      {std::u16string(u"a\0b\0", 4), std::u16string(1, u'\0'), u"\r\n", false, false, u"a\r\nb\r\n"},
  };
  for (const Case& c : cases) {
    std::u16string text = c.text;
    StdModul::ReplaceText(text, c.search, c.replacement, c.ignoreCase, c.wholeWord);
    EXPECT_EQ(text, c.result) << ::testing::PrintToString(c.text) << " " << ::testing::PrintToString(c.search)
                              << " -> " << ::testing::PrintToString(c.replacement) << " ic " << c.ignoreCase
                              << " ww " << c.wholeWord;
  }
}

TEST(UnescapeText, ResolvesEscapes) {
  struct Case { std::u16string text, result; };
  const Case cases[] = {
      {u"a\\nb", u"a\r\nb"},
      {u"\\\\n", u"\\n"},            // produced backslash starts no escape
      {u"\\092n", u"\\n"},           // nor does one from a code
      {u"\\065\\066", u"AB"},
      {u"\\1\\n", u"\x01"},          // "\n" lies inside the code field
      {u"\\9ab", u"\t"},
      {u"\\12", u"\x0C"},            // field cut short by the end
      {u"\\999", u"\\999"},          // above 255: as written
      {u"\\228\\128", u"\u00E4\u20AC"},  // through the ANSI code page
      {u"x\\", u"x\\"},              // closing backslash stays
      {u"\\t", u"t"},
      {u"\\N", u"N"},
      {u"\\|", u"|"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StdModul::UnescapeText(c.text), c.result) << ::testing::PrintToString(c.text);
  }
  EXPECT_EQ(StdModul::UnescapeText(u"\\000"), std::u16string(1, u'\0'));
}

TEST(FindWholeWord, SkipsOccurrencesInsideWords) {
  const std::u16string text = u"cat catalog _cat cat1";
  EXPECT_EQ(StdModul::FindWholeWord(1, text, u"cat"), 1);
  EXPECT_EQ(StdModul::FindWholeWord(2, text, u"cat"), 18);  // "1" is no word character
  EXPECT_EQ(StdModul::FindWholeWord(19, text, u"cat"), 0);
  EXPECT_EQ(StdModul::FindWholeWord(1, u"xcat", u"cat"), 0);
  EXPECT_EQ(StdModul::FindWholeWord(1, u"aaa a", u"a"), 5);  // overlapping candidates tried
  EXPECT_EQ(StdModul::FindWholeWord(1, u"", u"cat"), 0);
  EXPECT_EQ(StdModul::FindWholeWord(1, u"cat", u""), 0);
}

TEST(IsWordChar, LettersAndUnderscoreOnly) {
  for (const std::u16string ch : {u"Q", u"q", u"_", u"A", u"Z", u"a", u"z", u"Ab"}) {
    EXPECT_TRUE(StdModul::IsWordChar(ch)) << ::testing::PrintToString(ch);
  }
  for (const std::u16string ch : {u"5", u"\u00E4", u" ", u"[", u"@", u"`", u"{", u""}) {
    EXPECT_FALSE(StdModul::IsWordChar(ch)) << ::testing::PrintToString(ch);
  }
}

TEST(AddBackslash, TrimsAndClosesWithTheSeparator) {
  struct Case { std::u16string path, result; };
  const Case cases[] = {
      {u"C:\\Programme", u"C:\\Programme\\"}, {u"C:\\", u"C:\\"},
      {u"  C:\\x  ", u"C:\\x\\"},             {u"", u""},
      {u"   ", u""},                          {u"x://a/b", u"x://a/b/"},
      {u"x://a/b/", u"x://a/b/"},             {u"C:\\x/", u"C:\\x/\\"},
      {u"x://y\\", u"x://y\\/"},              {u"\tC:\\x", u"\tC:\\x\\"},  // tabs stay
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StdModul::AddBackslash(c.path), c.result) << ::testing::PrintToString(c.path);
  }
}

// ------------------------------------------------------------- file tests

using FileExists = SimFixture;

TEST_F(FileExists, OnlyForReadableFiles) {
  sim::AddFile("C:\\gs\\bin\\gswin32c.exe", "MZ");
  sim::AddFile("C:\\gs\\readonly.txt", "", platform::kFileAttributeReadonly);
  sim::AddFile("C:\\gs\\empty.txt", "");
  EXPECT_TRUE(StdModul::FileExists(u"C:\\gs\\bin\\gswin32c.exe"));
  EXPECT_TRUE(StdModul::FileExists(u"c:\\GS\\BIN\\GSWIN32C.EXE"));
  EXPECT_TRUE(StdModul::FileExists(u"C:\\gs\\readonly.txt"));
  EXPECT_TRUE(StdModul::FileExists(u"C:\\gs\\empty.txt"));
  EXPECT_FALSE(StdModul::FileExists(u"C:\\gs\\bin\\missing.exe"));
  EXPECT_FALSE(StdModul::FileExists(u"C:\\nowhere\\gswin32c.exe"));
  EXPECT_FALSE(StdModul::FileExists(u"C:\\gs\\bin"));  // a folder
  EXPECT_FALSE(StdModul::FileExists(u"C:\\gs\\a<b"));
  EXPECT_FALSE(StdModul::FileExists(u""));
}

using GetAttrSafe = SimFixture;

TEST_F(GetAttrSafe, AttributesOrMinusOne) {
  sim::AddFolder("C:\\Data");
  sim::AddFile("C:\\Data\\a.txt", "x", platform::kFileAttributeArchive | platform::kFileAttributeHidden);
  EXPECT_EQ(StdModul::GetAttrSafe(u"C:\\Data\\a.txt"),
            static_cast<std::int32_t>(platform::kFileAttributeArchive | platform::kFileAttributeHidden));
  const std::int32_t folder = StdModul::GetAttrSafe(u"C:\\Data");
  EXPECT_GT(folder, 0);
  EXPECT_NE(folder & platform::kFileAttributeDirectory, 0u) << folder;
  EXPECT_EQ(StdModul::GetAttrSafe(u"C:\\Data\\missing"), -1);
  sim::HideAttributes("C:\\Data\\a.txt");
  EXPECT_EQ(StdModul::GetAttrSafe(u"C:\\Data\\a.txt"), -1);

  const int calls = sim::CallCount("GetFileAttributesA");
  EXPECT_EQ(StdModul::GetAttrSafe(u"C:\\Data\\."), -1);
  EXPECT_EQ(StdModul::GetAttrSafe(u"C:\\Data\\.."), -1);
  EXPECT_EQ(sim::CallCount("GetFileAttributesA"), calls) << "\\. and \\.. touched the file system";
}

class ListFolder : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    sim::AddFile("C:\\Data\\b.txt");
    sim::AddFolder("C:\\Data\\gs9.50");
    sim::AddFile("C:\\Data\\Hidden.txt", "", platform::kFileAttributeHidden);
    sim::AddFolder("C:\\Data\\gs8.64", platform::kFileAttributeDirectory | platform::kFileAttributeSystem);
    sim::AddFile("C:\\Data\\a.log", "", platform::kFileAttributeSystem | platform::kFileAttributeReadonly);
  }
  NameList files{u"stale"};
  NameList folders{u"stale"};
};

TEST_F(ListFolder, DividesEntriesInListingOrder) {
  StdModul::ListFolder(u"C:\\Data", &files, &folders, u"*");
  EXPECT_THAT(files, ElementsAre(u"b.txt", u"Hidden.txt", u"a.log"));
  EXPECT_THAT(folders, ElementsAre(u"gs9.50", u"gs8.64"));

  sim::SetListingOrder("C:\\Data", {"a.log", "gs8.64", "..", "Hidden.txt", "."});
  StdModul::ListFolder(u"  C:\\Data\\  ", &files, &folders, u"*");  // same with the separator
  EXPECT_THAT(files, ElementsAre(u"a.log", u"Hidden.txt", u"b.txt"));
  EXPECT_THAT(folders, ElementsAre(u"gs8.64", u"gs9.50"));

  StdModul::ListFolder(u"C:\\Data", &files, &folders, u"*.txt");
  EXPECT_THAT(files, ElementsAre(u"Hidden.txt", u"b.txt"));
  EXPECT_THAT(folders, IsEmpty());
}

TEST_F(ListFolder, OneListOnly) {
  StdModul::ListFolder(u"C:\\Data", &files, nullptr, u"*");  // files only: no subfolders
  EXPECT_THAT(files, ElementsAre(u"b.txt", u"Hidden.txt", u"a.log"));
  StdModul::ListFolder(u"C:\\Data", nullptr, &folders, u"gs*");
  EXPECT_THAT(folders, ElementsAre(u"gs9.50", u"gs8.64"));
  StdModul::ListFolder(u"C:\\Data", nullptr, &folders, u"*.txt");  // files dropped
  EXPECT_THAT(folders, IsEmpty());
}

TEST_F(ListFolder, UnreadableAttributesCountAsFile) {
  sim::HideAttributes("C:\\Data\\gs9.50");
  StdModul::ListFolder(u"C:\\Data", &files, &folders, u"gs*");
  EXPECT_THAT(files, ElementsAre(u"gs9.50"));
  EXPECT_THAT(folders, ElementsAre(u"gs8.64"));
  StdModul::ListFolder(u"C:\\Data", &files, nullptr, u"gs*");  // the listing itself knows it's a folder
  EXPECT_THAT(files, IsEmpty());
}

TEST_F(ListFolder, NothingToListEmptiesTheLists) {
  StdModul::ListFolder(u"C:\\Missing", &files, &folders, u"*");
  EXPECT_THAT(files, IsEmpty());
  EXPECT_THAT(folders, IsEmpty());
  files = {u"stale"};
  StdModul::ListFolder(u"C:\\Data", &files, &folders, u"*.none");
  EXPECT_THAT(files, IsEmpty());
  StdModul::ListFolder(u"C:\\Data", nullptr, nullptr, u"*");  // no lists at all: no crash
}

TEST_F(ListFolder, FailingFetchEndsTheListing) {
  sim::FailFindNextAfter(3);  // ".", then "..", "b.txt", "gs9.50", then a failure
  StdModul::ListFolder(u"C:\\Data", &files, &folders, u"*");
  EXPECT_THAT(files, ElementsAre(u"b.txt"));
  EXPECT_THAT(folders, ElementsAre(u"gs9.50"));
}

TEST_F(ListFolder, EmptyFolderListsTheCurrentFolder) {
  sim::SetCurrentDir("C:\\Data");
  StdModul::ListFolder(u"", &files, &folders, u"*.txt");
  EXPECT_THAT(files, ElementsAre(u"b.txt", u"Hidden.txt"));
}

TEST(IsObjectSet, TellsWhetherTheListIsThere) {
  NameList list{u"x", u"y"};
  EXPECT_TRUE(StdModul::IsObjectSet(&list));
  EXPECT_FALSE(StdModul::IsObjectSet(nullptr));
  StdModul::ClearCollection(list);
  EXPECT_THAT(list, IsEmpty());
}

// ------------------------------------------------- folders, files, pointer

using MakeDirTree = SimFixture;

TEST_F(MakeDirTree, CreatesEveryLevelBelowTheFirst) {
  StdModul::MakeDirTree(u"c:\\Daten\\PDF");
  EXPECT_TRUE(sim::FolderExistsAt("C:\\Daten\\PDF"));
  StdModul::MakeDirTree(u"c:\\Daten\\PDF\\Neu\\");  // existing levels ignored, closing "\" adds none
  EXPECT_TRUE(sim::FolderExistsAt("C:\\Daten\\PDF\\Neu"));

  sim::AddFolder("C:\\Work");
  sim::SetCurrentDir("C:\\Work");
  StdModul::MakeDirTree(u"Neu");  // no "\": relative to the current folder
  EXPECT_TRUE(sim::FolderExistsAt("C:\\Work\\Neu"));
  StdModul::MakeDirTree(u"a\\b");  // "a" is never created, so "a\b" fails
  EXPECT_FALSE(sim::FolderExistsAt("C:\\Work\\a"));
  EXPECT_FALSE(sim::FolderExistsAt("C:\\Work\\a\\b"));
}

TEST_F(MakeDirTree, OddPaths) {
  const std::string before = sim::DumpFiles();
  StdModul::MakeDirTree(u"");
  StdModul::MakeDirTree(u"\\\\server\\share\\dir");  // no network in the simulation
  StdModul::MakeDirTree(u"c:/x/y");  // "/" separates nothing: one attempt, C:\x missing
  EXPECT_EQ(sim::DumpFiles(), before);
  sim::DenyCreateIn("C:\\");
  StdModul::MakeDirTree(u"C:\\Locked\\A");  // errors are swallowed
  EXPECT_FALSE(sim::FolderExistsAt("C:\\Locked"));
}

using KillFile = SimFixture;

TEST_F(KillFile, ClearsAttributesAndDeletes) {
  sim::AddFile("C:\\Daten\\PDF\\PDFCacls.cmd", "x", platform::kFileAttributeReadonly | platform::kFileAttributeHidden);
  StdModul::KillFile(u"C:\\Daten\\PDF\\PDFCacls.cmd");
  EXPECT_FALSE(sim::FileExistsAt("C:\\Daten\\PDF\\PDFCacls.cmd"));

  const std::string before = sim::DumpFiles();
  StdModul::KillFile(u"C:\\Daten\\PDF\\missing.cmd");
  EXPECT_EQ(sim::DumpFiles(), before);

  sim::AddFile("C:\\busy.cmd", "x", platform::kFileAttributeReadonly);
  sim::LockFile("C:\\busy.cmd");
  StdModul::KillFile(u"C:\\busy.cmd");
  EXPECT_TRUE(sim::FileExistsAt("C:\\busy.cmd"));
  EXPECT_EQ(sim::AttributesOf("C:\\busy.cmd"), std::optional<platform::Dword>(platform::kFileAttributeNormal));
}

using SetBusyCursor = SimFixture;

TEST_F(SetBusyCursor, ReadyFlagPicksThePointer) {
  StdModul::SetBusyCursor(false);
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerHourglass);
  StdModul::SetBusyCursor(true);
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
  EXPECT_THAT(sim::PointerHistory(), ElementsAre(platform::kPointerHourglass, platform::kPointerDefault));

  sim::FailPointer(true);
  EXPECT_THROW(StdModul::SetBusyCursor(false), std::system_error);
  EXPECT_EQ(platform::ApplicationPointer(), platform::kPointerDefault);
}

}  // namespace
