// General utilities: text operations, the path separator rule, folder
// listing, file tests, folder creation, forced deletion and the busy pointer.
// Texts are 16-bit character strings; positions are 1-based and 0 means "no
// occurrence". Comparisons are exact (character codes) unless an option says
// otherwise. No function keeps state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace StdModul {

// The text before the first occurrence of delimiter; source loses that text
// and the delimiter. No occurrence: the whole source, which becomes empty.
// "gs,Ghostscript" with "," gives "gs" and leaves "Ghostscript".
// An empty delimiter never occurs: the whole source is returned.
std::u16string NextToken(std::u16string& source, const std::u16string& delimiter);

// As NextToken, cut at the first unescaped delimiter (see FindUnescaped).
// The token keeps its escapes: "a\|b|c" with "|" gives "a\|b", leaves "c".
std::u16string NextListToken(std::u16string& source, const std::u16string& delimiter);

// Position of the first occurrence of delimiter that is preceded by an even
// number (0 included) of backslashes; 0 if none, and 0 for an empty delimiter.
// "|" in "a\|b|c" is 5; in "a\\|b" it is 4.
std::int32_t FindUnescaped(const std::u16string& text, const std::u16string& delimiter);

// The unescaped value of the first item of a "key=value|key=value" list whose
// key equals key exactly; empty if there is none.
std::u16string LookupListValue(const std::u16string& list, const std::u16string& key);

// Replaces every occurrence of search in text. The search resumes after the
// inserted text, so the replacement is never searched again and occurrences
// never overlap. ignoreCase lower-cases both sides before comparing,
// through the system's lower-case mapping (platform::CharLowerBuffW), one
// character for one, so the length does not change; wholeWord accepts only
// occurrences not flanked by word characters.
// An empty search text changes nothing. Linear in the text's length.
//   "aXa",  "a"   -> "aa"                 gives "aaXaa"
//   "aaa",  "aa"  -> "b"                  gives "ba"
//   "Cat CATALOG cAt", "CAT" -> "dog", ignoreCase, wholeWord
//                                         gives "dog CATALOG dog"
//   "--",   "-"   -> "a", wholeWord       gives "a-" (the inserted "a" is
//                                         the second "-"'s left neighbour)
void ReplaceText(std::u16string& text, const std::u16string& search,
                 const std::u16string& replacement, bool ignoreCase, bool wholeWord);

// Resolves backslash escapes: "\n" is CR LF, "\ddd" a decimal character code
// (0..255, ANSI code page), "\c" the character c; a closing "\" stays.
// The code is read from the field's leading digits ("\9ab" is TAB, "ab"
// dropped); a code above 255 leaves the escape as written.
std::u16string UnescapeText(const std::u16string& text);

// Position of the first whole-word occurrence of word at or after start;
// 0 if none, and 0 for an empty word.
std::int32_t FindWholeWord(std::int32_t start, const std::u16string& text,
                           const std::u16string& word);

// True for "A".."Z", "a".."z" and "_" (first character); false otherwise and
// for the empty text.
bool IsWordChar(const std::u16string& ch);

// The path without surrounding blanks, closed with its separator: "/" when it
// holds "://", otherwise "\". Empty stays empty. "C:\x" gives "C:\x\".
std::u16string AddBackslash(const std::u16string& path);

// True when the length of a file at path can be read; false for the empty
// text and on any failure (missing, invalid name, access refused, a folder).
bool FileExists(std::u16string path);

// The attribute bits of path; -1 when they are not available, and -1 without
// touching the file system for a path ending in "\." or "\..".
std::int32_t GetAttrSafe(const std::u16string& path);

using NameList = std::vector<std::u16string>;

// Lists folder\pattern into the supplied lists (either may be null): bare
// names, in the listing's order, "." and ".." left out, subfolders only when
// a subfolder list is supplied. Both lists are emptied first. Errors give
// what was gathered so far; a failing listing ends.
void ListFolder(const std::u16string& folder, NameList* files, NameList* subfolders,
                const std::u16string& pattern);

// True when the list reference is set.
bool IsObjectSet(const NameList* list);

// Empties the list.
void ClearCollection(NameList& list);

// Creates the folder and every missing level above it, splitting at "\"
// (the first component, a drive such as "c:", is never created). Reports nothing.
void MakeDirTree(const std::u16string& path);

// Clears the file's attributes and deletes it. Reports nothing.
void KillFile(const std::u16string& path);

// ready false: the hourglass; ready true: the default pointer. Throws
// std::system_error when the platform can't set the pointer.
void SetBusyCursor(bool ready);

}  // namespace StdModul
