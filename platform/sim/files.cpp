// The simulated file system: drives with folder trees in memory, names that
// compare without regard to case and keep the case they were created with,
// open files, and wildcard listings with the platform's matching rules.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/platform.h"
#include "platform/sim.h"
#include "platform/sim/sim_state.h"

namespace platform {
namespace sim::detail {

namespace {

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

char DriveOf(const std::string& fullPath) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(fullPath[0])));
}

std::shared_ptr<Node> ChildNamed(const Node& folder, const std::string& name) {
  for (const auto& child : folder.children) {
    if (SameName(child->name, name)) return child;
  }
  return nullptr;
}

// The current directory of a drive other than the current one: the
// environment's "=X:" entry, as the platform keeps it, else the root.
std::string DriveCurrentDir(char drive) {
  const State& m = Machine();
  if (SameName(std::string(1, m.currentDir[0]), std::string(1, drive))) return m.currentDir;
  const std::string name = std::string("=") + drive + ":";
  for (const auto& entry : m.environment) {
    if (SameName(entry.first, name) && entry.second.size() >= 3 &&
        SameName(entry.second.substr(0, 1), std::string(1, drive)) && entry.second[1] == ':') {
      return entry.second;
    }
  }
  return std::string(1, drive) + ":\\";
}

bool HasInvalidCharacters(const std::string& part) {
  for (const char c : part) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':' || c == '*' || c == '?') {
      return true;
    }
  }
  return false;
}

}  // namespace

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

std::optional<std::string> FullPath(const std::string& input) {
  std::string path = input;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty() || path.compare(0, 2, "\\\\") == 0) return std::nullopt;
  std::string base;
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    rest = path.substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      base = path.substr(0, 2);
    } else {
      base = DriveCurrentDir(path[0]);
    }
  } else if (path[0] == '\\') {
    base = Machine().currentDir.substr(0, 2);
    rest = path;
  } else {
    base = Machine().currentDir;
    rest = path;
  }
  std::vector<std::string> parts;
  std::string joined = base.substr(2) + "\\" + rest;
  std::string part;
  auto flush = [&parts, &part] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (const char c : joined) {
    if (c == '\\') {
      flush();
    } else {
      part += c;
    }
  }
  // The platform drops trailing dots and blanks of the last component.
  if (part != "." && part != "..") {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
  }
  flush();
  std::string full = base.substr(0, 2) + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) full += (i == 0 ? "" : "\\") + parts[i];
  return full;
}

Resolved Resolve(const std::string& path) {
  Resolved r;
  const State& m = Machine();
  if (path.compare(0, 2, "\\\\") == 0 || path.compare(0, 2, "//") == 0) {
    r.error = kErrorBadNetpath;
    return r;
  }
  const auto full = FullPath(path);
  if (!full) {
    r.error = kErrorPathNotFound;
    return r;
  }
  r.full = *full;
  r.trailingSeparator = path.back() == '\\' || path.back() == '/';
  r.drive = DriveOf(r.full);
  std::string part;
  for (std::size_t i = 3; i <= r.full.size(); ++i) {
    if (i == r.full.size() || r.full[i] == '\\') {
      if (!part.empty()) r.parts.push_back(part);
      part.clear();
    } else {
      part += r.full[i];
    }
  }
  for (const std::string& p : r.parts) {
    if (HasInvalidCharacters(p)) {
      r.error = kErrorInvalidName;
      return r;
    }
  }
  const auto drive = m.drives.find(r.drive);
  if (drive == m.drives.end()) {
    r.error = kErrorPathNotFound;
    return r;
  }
  if (r.parts.empty()) {
    r.node = drive->second;
    return r;
  }
  auto folder = drive->second;
  for (std::size_t i = 0; i + 1 < r.parts.size(); ++i) {
    folder = ChildNamed(*folder, r.parts[i]);
    if (!folder || !folder->folder) {
      r.error = kErrorPathNotFound;
      return r;
    }
  }
  r.parent = folder;
  r.node = ChildNamed(*folder, r.parts.back());
  return r;
}

std::string NodePath(const Node& node) {
  if (node.parent == nullptr) return node.name + "\\";
  const std::string above = NodePath(*node.parent);
  return above + (above.back() == '\\' ? "" : "\\") + node.name;
}

std::shared_ptr<Node> EnsureFolder(const std::string& path) {
  const auto full = FullPath(path);
  if (!full) return nullptr;
  State& m = Machine();
  auto& drive = m.drives[DriveOf(*full)];
  if (!drive) {
    drive = std::make_shared<Node>();
    drive->name = std::string(1, DriveOf(*full)) + ":";
    drive->folder = true;
    drive->attributes = kFileAttributeDirectory;
  }
  auto folder = drive;
  std::string part;
  for (std::size_t i = 3; i <= full->size(); ++i) {
    if (i < full->size() && (*full)[i] != '\\') {
      part += (*full)[i];
      continue;
    }
    if (part.empty()) continue;
    auto child = ChildNamed(*folder, part);
    if (!child) {
      child = std::make_shared<Node>();
      child->name = part;
      child->parent = folder.get();
      child->folder = true;
      child->attributes = kFileAttributeDirectory;
      folder->children.push_back(child);
    }
    folder = child;
    part.clear();
  }
  return folder->folder ? folder : nullptr;
}

}  // namespace sim::detail

using namespace sim::detail;

namespace {

Dword ReportedAttributes(const Node& node) {
  if (node.folder) return node.attributes | kFileAttributeDirectory;
  return node.attributes == 0 ? kFileAttributeNormal : node.attributes;
}

// A resolved path that must name an existing entry: the error to report
// otherwise (missing last component: file not found).
// A file named with a closing separator ("C:\a.txt\") is an invalid name.
Dword ExistingError(const Resolved& r) {
  if (r.error != 0) return r.error;
  if (!r.node) return kErrorFileNotFound;
  return !r.node->folder && r.trailingSeparator ? kErrorInvalidName : 0;
}

void RemoveNode(const std::shared_ptr<Node>& node) {
  node->deleted = true;
  auto& siblings = node->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
}

bool OpenWithoutShare(const Node& node, Dword share) {
  for (const auto& entry : Machine().files) {
    if (entry.second.node.get() == &node && (entry.second.share & share) != share) return true;
  }
  return false;
}

// The listing's name mask in the platform's matching rules: "*.*"
// is "*"; "?" matches one character but none at a dot or at the end; "*"
// before a dot stops at the name's last dot; a dot before a wildcard or at
// the end also matches the end of the name.
constexpr char kDosStar = '<';
constexpr char kDosQm = '>';
constexpr char kDosDot = '"';

std::string DosExpression(const std::string& nameMask) {
  if (nameMask == "*.*") return "*";
  std::string expression = nameMask;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    const char next = i + 1 < nameMask.size() ? nameMask[i + 1] : '\0';
    if (nameMask[i] == '?') {
      expression[i] = kDosQm;
    } else if (nameMask[i] == '*' && next == '.') {
      expression[i] = kDosStar;
    } else if (nameMask[i] == '.' && (next == '?' || next == '*' || next == '\0')) {
      expression[i] = kDosDot;
    }
  }
  return expression;
}

bool Matches(const std::string& e, std::size_t ei, const std::string& name, std::size_t ni) {
  if (ei == e.size()) return ni == name.size();
  const char c = e[ei];
  if (c == '*') {
    for (std::size_t k = ni; k <= name.size(); ++k) {
      if (Matches(e, ei + 1, name, k)) return true;
    }
    return false;
  }
  if (c == kDosStar) {
    const std::size_t lastDot = name.rfind('.');
    const std::size_t limit = lastDot == std::string::npos || lastDot < ni ? name.size() : lastDot;
    for (std::size_t k = ni; k <= limit; ++k) {
      if (Matches(e, ei + 1, name, k)) return true;
    }
    return false;
  }
  if (c == kDosQm) {
    if (ni == name.size() || name[ni] == '.') {
      std::size_t skip = ei;
      while (skip < e.size() && e[skip] == kDosQm) ++skip;
      return Matches(e, skip, name, ni);
    }
    return Matches(e, ei + 1, name, ni + 1);
  }
  if (c == kDosDot) {
    if (ni == name.size()) return Matches(e, ei + 1, name, ni);
    return name[ni] == '.' && Matches(e, ei + 1, name, ni + 1);
  }
  return ni < name.size() && Fold(std::string(1, c)) == Fold(std::string(1, name[ni])) &&
         Matches(e, ei + 1, name, ni + 1);
}

}  // namespace

Dword GetFileAttributesA(const std::string& path) {
  Count("GetFileAttributesA");
  if (HasWildcards(path)) {
    SetError(kErrorInvalidName);
    return kInvalidFileAttributes;
  }
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) {
    SetError(error);
    return kInvalidFileAttributes;
  }
  if (r.node->hideAttributes) {
    SetError(kErrorAccessDenied);
    return kInvalidFileAttributes;
  }
  return ReportedAttributes(*r.node);
}

bool SetFileAttributesA(const std::string& path, Dword attributes) {
  Count("SetFileAttributesA");
  if (HasWildcards(path)) return SetError(kErrorInvalidName), false;
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) return SetError(error), false;
  if (r.node->hideAttributes) return SetError(kErrorAccessDenied), false;
  // Settable: read-only, hidden, system, archive, temporary, offline, not
  // content indexed. FILE_ATTRIBUTE_NORMAL alone clears them all.
  constexpr Dword kSettable = 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x1000 | 0x2000;
  r.node->attributes = (attributes & kSettable) | (r.node->folder ? kFileAttributeDirectory : 0);
  return true;
}

bool GetFileLengthA(const std::string& path, std::uint64_t* length) {
  Count("GetFileLengthA");
  if (HasWildcards(path)) return SetError(kErrorInvalidName), false;
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) return SetError(error), false;
  // A folder can't be opened without backup semantics.
  if (r.node->folder || r.node->hideAttributes) return SetError(kErrorAccessDenied), false;
  *length = r.node->content.size();
  return true;
}

Handle FindFirstFileA(const std::string& pattern, FindDataA* data) {
  Count("FindFirstFileA");
  std::string path = pattern;
  std::replace(path.begin(), path.end(), '/', '\\');
  std::string folderPath;
  std::string nameMask;
  const std::size_t cut = path.rfind('\\');
  if (cut != std::string::npos) {
    folderPath = path.substr(0, cut + 1);
    nameMask = path.substr(cut + 1);
  } else if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    folderPath = path.substr(0, 2);
    nameMask = path.substr(2);
  } else {
    folderPath = ".";
    nameMask = path;
  }
  if (nameMask.empty()) return SetError(kErrorFileNotFound), kInvalidHandle;
  if (nameMask.find('|') != std::string::npos) return SetError(kErrorInvalidName), kInvalidHandle;
  const Resolved r = Resolve(folderPath);
  if (r.error != 0) return SetError(r.error), kInvalidHandle;
  if (!r.node || !r.node->folder) return SetError(kErrorPathNotFound), kInvalidHandle;
  const Node& folder = *r.node;

  // Every entry in the listing's order: the names set by SetListingOrder,
  // then ".", ".." (not in a drive root) and the rest in creation order.
  std::vector<FindDataA> all;
  if (folder.parent != nullptr) {
    all.push_back(FindDataA{ReportedAttributes(folder), "."});
    all.push_back(FindDataA{ReportedAttributes(*folder.parent), ".."});
  }
  for (const auto& child : folder.children) all.push_back(FindDataA{ReportedAttributes(*child), child->name});
  std::vector<FindDataA> ordered;
  for (const std::string& name : folder.listingOrder) {
    const auto it = std::find_if(all.begin(), all.end(), [&](const FindDataA& e) { return SameName(e.fileName, name); });
    if (it != all.end()) {
      ordered.push_back(*it);
      all.erase(it);
    }
  }
  ordered.insert(ordered.end(), all.begin(), all.end());

  const std::string expression = DosExpression(nameMask);
  Find find;
  for (const FindDataA& entry : ordered) {
    if (Matches(expression, 0, entry.fileName, 0)) find.entries.push_back(entry);
  }
  if (find.entries.empty()) return SetError(kErrorFileNotFound), kInvalidHandle;
  *data = find.entries.front();
  const Handle handle = NewHandleValue();
  Machine().finds[handle] = std::move(find);
  return handle;
}

bool FindNextFileA(Handle handle, FindDataA* data) {
  Count("FindNextFileA");
  State& m = Machine();
  const auto it = m.finds.find(handle);
  if (it == m.finds.end()) return SetError(kErrorInvalidHandle), false;
  if (m.failFindNextAfter >= 0 && m.findNextSuccesses >= m.failFindNextAfter) {
    return SetError(kErrorInvalidHandle), false;
  }
  Find& find = it->second;
  if (find.next >= find.entries.size()) return SetError(kErrorNoMoreFiles), false;
  *data = find.entries[find.next++];
  ++m.findNextSuccesses;
  return true;
}

bool FindClose(Handle handle) {
  Count("FindClose");
  if (Machine().finds.erase(handle) == 0) return SetError(kErrorInvalidHandle), false;
  return true;
}

bool CreateDirectoryA(const std::string& path) {
  Count("CreateDirectoryA");
  if (HasWildcards(path)) return SetError(kErrorInvalidName), false;
  const Resolved r = Resolve(path);
  if (r.error != 0) return SetError(r.error), false;
  if (r.node) return SetError(kErrorAlreadyExists), false;
  if (r.parent->denyCreate) return SetError(kErrorAccessDenied), false;
  auto folder = std::make_shared<Node>();
  folder->name = r.parts.back();
  folder->parent = r.parent.get();
  folder->folder = true;
  folder->attributes = kFileAttributeDirectory;
  r.parent->children.push_back(folder);
  return true;
}

bool RemoveDirectoryA(const std::string& path) {
  Count("RemoveDirectoryA");
  if (HasWildcards(path)) return SetError(kErrorInvalidName), false;
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) return SetError(error), false;
  if (!r.node->parent) return SetError(kErrorAccessDenied), false;
  if (!r.node->folder) return SetError(kErrorDirectory), false;
  if (!r.node->children.empty()) return SetError(kErrorDirNotEmpty), false;
  if ((r.node->attributes & kFileAttributeReadonly) != 0) return SetError(kErrorAccessDenied), false;
  // The process holds its current directory open.
  const auto current = FullPath(Machine().currentDir);
  const std::string removed = Fold(NodePath(*r.node));
  if (current && (Fold(*current) == removed || Fold(*current).compare(0, removed.size() + 1, removed + "\\") == 0)) {
    return SetError(kErrorSharingViolation), false;
  }
  RemoveNode(r.node);
  return true;
}

bool DeleteFileA(const std::string& path) {
  Count("DeleteFileA");
  if (HasWildcards(path)) return SetError(kErrorInvalidName), false;
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) return SetError(error), false;
  if (r.node->folder || r.node->parent == nullptr) return SetError(kErrorAccessDenied), false;
  if ((r.node->attributes & kFileAttributeReadonly) != 0) return SetError(kErrorAccessDenied), false;
  if (r.node->locked || OpenWithoutShare(*r.node, kFileShareDelete)) {
    return SetError(kErrorSharingViolation), false;
  }
  RemoveNode(r.node);
  return true;
}

Handle CreateFileA(const std::string& path, Dword access, Dword share, Dword disposition) {
  Count("CreateFileA");
  constexpr Dword kCreateNew = 1, kOpenAlways = 4, kTruncateExisting = 5;
  if (disposition < kCreateNew || disposition > kTruncateExisting) {
    return SetError(kErrorInvalidParameter), kInvalidHandle;
  }
  if (HasWildcards(path)) return SetError(kErrorInvalidName), kInvalidHandle;
  const Resolved r = Resolve(path);
  if (r.error != 0) return SetError(r.error), kInvalidHandle;
  if (r.node && r.node->folder) return SetError(kErrorAccessDenied), kInvalidHandle;
  if (r.trailingSeparator || r.parts.empty()) return SetError(kErrorInvalidName), kInvalidHandle;
  std::shared_ptr<Node> node = r.node;
  const bool write = (access & kGenericWrite) != 0;
  Dword lastError = 0;
  if (node) {
    if (disposition == kCreateNew) return SetError(kErrorFileExists), kInvalidHandle;
    const bool truncate = disposition == kCreateAlways || disposition == kTruncateExisting;
    if ((write || truncate) && (node->attributes & kFileAttributeReadonly) != 0) {
      return SetError(kErrorAccessDenied), kInvalidHandle;
    }
    // Replacing a hidden or system file needs those attributes asked for.
    if (disposition == kCreateAlways && (node->attributes & (kFileAttributeHidden | kFileAttributeSystem)) != 0) {
      return SetError(kErrorAccessDenied), kInvalidHandle;
    }
    const Dword needShare = ((access & kGenericRead) ? kFileShareRead : 0) | ((write || truncate) ? kFileShareWrite : 0);
    bool conflict = (node->locked && (write || truncate)) || OpenWithoutShare(*node, needShare);
    for (const auto& entry : Machine().files) {
      const OpenFile& other = entry.second;
      if (other.node != node) continue;
      if (((other.access & kGenericRead) && !(share & kFileShareRead)) ||
          ((other.access & kGenericWrite) && !(share & kFileShareWrite))) {
        conflict = true;
      }
    }
    if (conflict) return SetError(kErrorSharingViolation), kInvalidHandle;
    if (truncate) {
      node->content.clear();
      if (disposition == kCreateAlways) node->attributes = kFileAttributeArchive;
    }
    if (disposition == kCreateAlways || disposition == kOpenAlways) lastError = kErrorAlreadyExists;
  } else {
    if (disposition == kOpenExisting || disposition == kTruncateExisting) {
      return SetError(kErrorFileNotFound), kInvalidHandle;
    }
    if (r.parent->denyCreate) return SetError(kErrorAccessDenied), kInvalidHandle;
    node = std::make_shared<Node>();
    node->name = r.parts.back();
    node->parent = r.parent.get();
    node->attributes = kFileAttributeArchive;
    r.parent->children.push_back(node);
  }
  const Handle handle = NewHandleValue();
  Machine().files[handle] = OpenFile{node, access, share, 0};
  // A file that was there already is reported, else the error is cleared.
  if (disposition == kCreateAlways || disposition == kOpenAlways) SetError(lastError);
  return handle;
}

bool WriteFile(Handle file, const std::string& bytes) {
  Count("WriteFile");
  const auto it = Machine().files.find(file);
  if (it == Machine().files.end()) return SetError(kErrorInvalidHandle), false;
  OpenFile& open = it->second;
  if ((open.access & kGenericWrite) == 0) return SetError(kErrorAccessDenied), false;
  std::string& content = open.node->content;
  if (content.size() < open.position) content.resize(open.position, '\0');
  content.replace(open.position, std::min(bytes.size(), content.size() - open.position), bytes);
  open.position += bytes.size();
  return true;
}

bool ReadFile(Handle file, std::string* bytes, Dword maxBytes) {
  Count("ReadFile");
  const auto it = Machine().files.find(file);
  if (it == Machine().files.end()) return SetError(kErrorInvalidHandle), false;
  OpenFile& open = it->second;
  if ((open.access & kGenericRead) == 0) return SetError(kErrorAccessDenied), false;
  const std::string& content = open.node->content;
  *bytes = open.position >= content.size() ? std::string() : content.substr(open.position, maxBytes);
  open.position += bytes->size();
  return true;
}

bool GetCurrentDirectoryA(std::string* path) {
  Count("GetCurrentDirectoryA");
  *path = Machine().currentDir;
  return true;
}

bool SetCurrentDirectoryA(const std::string& path) {
  Count("SetCurrentDirectoryA");
  const Resolved r = Resolve(path);
  if (const Dword error = ExistingError(r)) return SetError(error), false;
  if (!r.node->folder) return SetError(kErrorDirectory), false;
  // The platform keeps the path as the caller spelled it, not as stored.
  Machine().currentDir = r.full;
  return true;
}

// --------------------------------------------------------------- control

namespace sim {

namespace {

std::shared_ptr<Node> Lookup(const std::string& path) {
  const Resolved r = Resolve(path);
  return r.error == 0 ? r.node : nullptr;
}

void DumpNode(const Node& node, std::vector<std::string>* lines) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(ReportedAttributes(node)));
  lines->push_back(NodePath(node) + "|" + hex + "|" + node.content);
  for (const auto& child : node.children) DumpNode(*child, lines);
}

}  // namespace

void AddFile(const std::string& path, const std::string& content, Dword attributes) {
  const auto full = FullPath(path);
  if (!full) return;
  const std::size_t cut = full->rfind('\\');
  const auto folder = EnsureFolder(full->substr(0, cut + 1));
  const std::string name = full->substr(cut + 1);
  if (!folder || name.empty()) return;
  auto node = ChildNamed(*folder, name);
  if (!node) {
    node = std::make_shared<Node>();
    node->name = name;
    node->parent = folder.get();
    folder->children.push_back(node);
  }
  if (node->folder) return;
  node->content = content;
  node->attributes = attributes & ~kFileAttributeNormal;
}

void AddFolder(const std::string& path, Dword attributes) {
  if (const auto folder = EnsureFolder(path)) folder->attributes = attributes | kFileAttributeDirectory;
}

void AddDrive(const std::string& drive) {
  if (!drive.empty() && IsDriveLetter(drive[0])) EnsureFolder(drive.substr(0, 1) + ":\\");
}

void RemovePath(const std::string& path) {
  const auto node = Lookup(path);
  if (node && node->parent != nullptr) RemoveNode(node);
}

bool FileExistsAt(const std::string& path) {
  const auto node = Lookup(path);
  return node && !node->folder;
}

bool FolderExistsAt(const std::string& path) {
  const auto node = Lookup(path);
  return node && node->folder;
}

std::optional<std::string> FileContent(const std::string& path) {
  const auto node = Lookup(path);
  if (!node || node->folder) return std::nullopt;
  return node->content;
}

std::optional<Dword> AttributesOf(const std::string& path) {
  const auto node = Lookup(path);
  if (!node) return std::nullopt;
  return ReportedAttributes(*node);
}

void SetListingOrder(const std::string& folder, const std::vector<std::string>& names) {
  if (const auto node = Lookup(folder)) node->listingOrder = names;
}

void FailFindNextAfter(int n) {
  Machine().failFindNextAfter = n;
  Machine().findNextSuccesses = 0;
}

void LockFile(const std::string& path) {
  if (const auto node = Lookup(path)) node->locked = true;
}

void DenyCreateIn(const std::string& folder) {
  if (const auto node = Lookup(folder)) node->denyCreate = true;
}

void HideAttributes(const std::string& path) {
  if (const auto node = Lookup(path)) node->hideAttributes = true;
}

std::string DumpFiles() {
  std::vector<std::string> lines;
  for (const auto& drive : Machine().drives) DumpNode(*drive.second, &lines);
  std::sort(lines.begin(), lines.end());
  std::string dump;
  for (const std::string& line : lines) dump += line + "\n";
  return dump;
}

void SetCurrentDir(const std::string& path) {
  if (const auto full = FullPath(path)) Machine().currentDir = *full;
}

std::string CurrentDir() { return Machine().currentDir; }

}  // namespace sim
}  // namespace platform
