#include "std/StdModul.h"

#include <cstddef>
#include <system_error>

#include "platform/owners.h"
#include "platform/platform.h"

namespace StdModul {

namespace {

constexpr std::size_t kNpos = std::u16string::npos;

bool IsWordCode(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

// The text in lower case, through the system's mapping: one character for
// one, so every position in it is the same position in the text.
std::u16string LowerCase(std::u16string text) {
  platform::CharLowerBuffW(&text);
  return text;
}

// An occurrence matcher for ReplaceText (Knuth-Morris-Pratt), so a scan costs
// one step per character of the text whatever the search text looks like.
class Matcher {
 public:
  explicit Matcher(const std::u16string& pattern) : pattern_(pattern), fallback_(pattern.size(), 0) {
    std::size_t k = 0;
    for (std::size_t i = 1; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = fallback_[k - 1];
      if (pattern_[i] == pattern_[k]) ++k;
      fallback_[i] = k;
    }
  }

  std::size_t size() const { return pattern_.size(); }

  // The matched length after feeding c in state (matched length) state.
  std::size_t Step(std::size_t state, char16_t c) const {
    if (state == pattern_.size()) state = fallback_[state - 1];
    while (state > 0 && pattern_[state] != c) state = fallback_[state - 1];
    return pattern_[state] == c ? state + 1 : state;
  }

 private:
  std::u16string pattern_;
  std::vector<std::size_t> fallback_;
};

}  // namespace

std::u16string NextToken(std::u16string& source, const std::u16string& delimiter) {
  const std::size_t at = delimiter.empty() ? kNpos : source.find(delimiter);
  if (at == kNpos) {
    std::u16string token;
    token.swap(source);
    return token;
  }
  std::u16string token = source.substr(0, at);
  source.erase(0, at + delimiter.size());
  return token;
}

std::u16string NextListToken(std::u16string& source, const std::u16string& delimiter) {
  const std::int32_t position = FindUnescaped(source, delimiter);
  if (position == 0) {
    std::u16string token;
    token.swap(source);
    return token;
  }
  const std::size_t at = static_cast<std::size_t>(position) - 1;
  std::u16string token = source.substr(0, at);
  source.erase(0, at + delimiter.size());
  return token;
}

std::int32_t FindUnescaped(const std::u16string& text, const std::u16string& delimiter) {
  if (delimiter.empty()) return 0;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(delimiter, from);
    if (at == kNpos) return 0;
    std::size_t backslashes = 0;
    while (backslashes < at && text[at - 1 - backslashes] == u'\\') ++backslashes;
    if (backslashes % 2 == 0) return static_cast<std::int32_t>(at + 1);
    from = at + 1;
  }
}

std::u16string LookupListValue(const std::u16string& list, const std::u16string& key) {
  std::u16string rest = list;
  while (!rest.empty()) {
    std::u16string item = NextListToken(rest, u"|");
    if (NextToken(item, u"=") == key) return UnescapeText(item);
  }
  return {};
}

// The result is the one the step-by-step definition gives (replace, resume
// right after the inserted text, look at the current text's neighbours for
// whole words), built in one pass: a new text when the lengths differ, the
// text itself overwritten when they are equal. Everything before the current
// occurrence is already final, so its left neighbour is the last character
// written, which may come from a replacement.
void ReplaceText(std::u16string& text, const std::u16string& search,
                 const std::u16string& replacement, bool ignoreCase, bool wholeWord) {
  if (search.empty()) return;
  const Matcher matcher(ignoreCase ? LowerCase(search) : search);
  const std::size_t length = matcher.size();
  const bool inPlace = replacement.size() == length;
  // What is compared: the text itself, or its lower-case form, kept in step
  // with the text when replacing in place.
  std::u16string lowered;
  std::u16string loweredReplacement;
  if (ignoreCase) {
    lowered = LowerCase(text);
    if (inPlace) loweredReplacement = LowerCase(replacement);
  }
  const std::u16string& compared = ignoreCase ? lowered : text;
  const auto fold = [ignoreCase](char16_t c) {
    return ignoreCase ? LowerCase(std::u16string(1, c))[0] : c;
  };
  std::u16string built;   // the finished part (when not in place)
  std::size_t taken = 0;  // characters of text consumed into built
  bool replaced = false;

  std::size_t state = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    state = matcher.Step(state, compared[i]);
    if (state < length) continue;
    const std::size_t start = i + 1 - length;
    if (wholeWord) {
      bool leftFree;
      if (inPlace || start > taken) {
        leftFree = start == 0 || !IsWordCode(compared[start - 1]);
      } else {
        leftFree = built.empty() || !IsWordCode(fold(built.back()));
      }
      const bool rightFree = i + 1 == text.size() || !IsWordCode(compared[i + 1]);
      if (!leftFree || !rightFree) continue;  // overlapping candidates are still seen
    }
    if (inPlace) {
      text.replace(start, length, replacement);
      if (ignoreCase) lowered.replace(start, length, loweredReplacement);
    } else {
      built.append(text, taken, start - taken);
      built += replacement;
      taken = i + 1;
    }
    replaced = true;
    state = 0;
  }
  if (replaced && !inPlace) {
    built.append(text, taken, kNpos);
    text.swap(built);
  }
}

// A code field reads its leading digits only: "\9ab" is code 9 followed by
// nothing of the field, "\1 2" is code 1 (blanks, points and exponent
// letters end the number).
std::u16string UnescapeText(const std::u16string& text) {
  std::u16string result;
  result.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const char16_t c = text[i];
    if (c != u'\\' || i + 1 == n) {
      result += c;
      ++i;
      continue;
    }
    const char16_t next = text[i + 1];
    if (next == u'n') {
      result += u"\r\n";
      i += 2;
    } else if (next >= u'0' && next <= u'9') {
      const std::size_t field = n - (i + 1) < 3 ? n - (i + 1) : 3;
      int code = 0;
      for (std::size_t k = 0; k < field; ++k) {
        const char16_t d = text[i + 1 + k];
        if (d < u'0' || d > u'9') break;
        code = code * 10 + (d - u'0');
      }
      if (code > 255) {
        result += c;  // left as written; the digits follow as plain characters
        ++i;
      } else {
        result += platform::FromAnsi(std::string(1, static_cast<char>(code)));
        i += 1 + field;
      }
    } else {
      result += next;
      i += 2;
    }
  }
  return result;
}

std::int32_t FindWholeWord(std::int32_t start, const std::u16string& text,
                           const std::u16string& word) {
  if (word.empty()) return 0;
  std::size_t from = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  while (from <= text.size()) {
    const std::size_t at = text.find(word, from);
    if (at == kNpos) return 0;
    const std::size_t end = at + word.size();
    const bool leftFree = at == 0 || !IsWordCode(text[at - 1]);
    const bool rightFree = end == text.size() || !IsWordCode(text[end]);
    if (leftFree && rightFree) return static_cast<std::int32_t>(at + 1);
    from = at + 1;
  }
  return 0;
}

bool IsWordChar(const std::u16string& ch) { return !ch.empty() && IsWordCode(ch[0]); }

std::u16string AddBackslash(const std::u16string& path) {
  const std::size_t first = path.find_first_not_of(u' ');
  if (first == kNpos) return {};
  const std::size_t last = path.find_last_not_of(u' ');
  std::u16string trimmed = path.substr(first, last - first + 1);
  const char16_t separator = trimmed.find(u"://") != kNpos ? u'/' : u'\\';
  if (trimmed.back() != separator) trimmed += separator;
  return trimmed;
}

bool FileExists(std::u16string path) {
  if (path.empty()) return false;
  std::uint64_t length = 0;
  return platform::GetFileLengthA(platform::ToAnsi(path), &length);
}

std::int32_t GetAttrSafe(const std::u16string& path) {
  const auto endsWith = [&path](const std::u16string& tail) {
    return path.size() >= tail.size() &&
           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (endsWith(u"\\.") || endsWith(u"\\..")) return -1;
  return static_cast<std::int32_t>(platform::GetFileAttributesA(platform::ToAnsi(path)));
}

// The platform's listing returns every entry, hidden and system ones
// included. Without a subfolder list, an entry the listing itself reports
// as a folder is skipped before its attributes are asked for; with one,
// every entry is looked at and its attributes sort it into files or
// subfolders. A failing FindNextFileA ends the listing: its entry is never
// fetched again.
void ListFolder(const std::u16string& folder, NameList* files, NameList* subfolders,
                const std::u16string& pattern) {
  if (files != nullptr) ClearCollection(*files);
  if (subfolders != nullptr) ClearCollection(*subfolders);
  const std::u16string prefix = AddBackslash(folder);

  platform::FindDataA data;
  platform::UniqueFind find(platform::FindFirstFileA(platform::ToAnsi(prefix + pattern), &data));
  if (!find.IsValid()) return;
  do {
    const std::u16string name = platform::FromAnsi(data.fileName);
    if (name.empty()) break;
    if (subfolders == nullptr && (data.attributes & platform::kFileAttributeDirectory) != 0) {
      continue;  // files only: no folder is looked at
    }
    const std::int32_t attributes = GetAttrSafe(prefix + name);
    if (name == u"." || name == u"..") continue;
    if (attributes > 0 && (attributes & platform::kFileAttributeDirectory) != 0) {
      if (subfolders != nullptr) subfolders->push_back(name);
    } else if (files != nullptr) {
      files->push_back(name);
    }
  } while (platform::FindNextFileA(find.Get(), &data));
}

bool IsObjectSet(const NameList* list) { return list != nullptr; }

void ClearCollection(NameList& list) { list.clear(); }

void MakeDirTree(const std::u16string& path) {
  if (path.empty()) return;
  std::u16string rest = path;
  if (rest.find(u'\\') == kNpos) {
    static_cast<void>(platform::CreateDirectoryA(platform::ToAnsi(rest)));
    return;
  }
  std::u16string built = NextToken(rest, u"\\");
  while (!rest.empty()) {
    built += u'\\';
    built += NextToken(rest, u"\\");
    static_cast<void>(platform::CreateDirectoryA(platform::ToAnsi(built)));
  }
}

void KillFile(const std::u16string& path) {
  const std::string ansi = platform::ToAnsi(path);
  static_cast<void>(platform::SetFileAttributesA(ansi, platform::kFileAttributeNormal));
  static_cast<void>(platform::DeleteFileA(ansi));
}

void SetBusyCursor(bool ready) {
  const int pointer = ready ? platform::kPointerDefault : platform::kPointerHourglass;
  if (!platform::SetApplicationPointer(pointer)) {
    throw std::system_error(static_cast<int>(platform::GetLastError()), std::system_category(),
                            "SetBusyCursor");
  }
}

}  // namespace StdModul
