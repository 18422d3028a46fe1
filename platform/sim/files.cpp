// Files and folders of the simulated file system: attributes, lengths,
// creation and deletion, open files, the current directory; and the
// control functions that set the file system up and read it back.
#include <algorithm>
#include <cstdio>

#include "platform/sim/sim_state.h"

namespace platform {

namespace sim::detail {

namespace {

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// A path that must name an existing entry: the error to report otherwise
// (missing last component: file not found; a file named with a closing
// separator: invalid name), 0 when it exists.
Dword ExistingError(const Resolved& r) {
  if (r.error != 0) return r.error;
  if (!r.node) return kErrorFileNotFound;
  return !r.node->folder && r.trailingSeparator ? kErrorInvalidName : 0;
}

}  // namespace

bool Existing(const std::string& path, Resolved* r) {
  if (HasWildcards(path)) return Fail(kErrorInvalidName);
  *r = Resolve(path);
  const Dword error = ExistingError(*r);
  return error == 0 || Fail(error);
}

void RemoveNode(const std::shared_ptr<Node>& node) {
  auto& siblings = node->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
}

}  // namespace sim::detail

using namespace sim::detail;

namespace {

// Another open of the file that does not share what this access needs.
bool SharingConflict(const Node& node, Dword needShare) {
  return std::any_of(Machine().files.begin(), Machine().files.end(), [&](const auto& entry) {
    return entry.second.node.get() == &node && (entry.second.share & needShare) != needShare;
  });
}

// A new entry in a resolved path's folder, unless creating there is denied.
bool AddEntry(const Resolved& r, const Node& entry) {
  if (r.parent->denyCreate) return Fail(kErrorAccessDenied);
  r.parent->AddChild(r.parts.back(), entry);
  return true;
}

}  // namespace

Dword GetFileAttributesA(const std::string& path) {
  Count("GetFileAttributesA");
  Resolved r;
  if (!Existing(path, &r)) return kInvalidFileAttributes;
  if (r.node->hideAttributes) return Fail(kErrorAccessDenied), kInvalidFileAttributes;
  return ReportedAttributes(*r.node);
}

bool SetFileAttributesA(const std::string& path, Dword attributes) {
  Count("SetFileAttributesA");
  Resolved r;
  if (!Existing(path, &r)) return false;
  if (r.node->hideAttributes) return Fail(kErrorAccessDenied);
  // Settable: read-only, hidden, system, archive, temporary, offline, not
  // content indexed. FILE_ATTRIBUTE_NORMAL alone clears them all.
  constexpr Dword kSettable = 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x1000 | 0x2000;
  r.node->attributes = (attributes & kSettable) | (r.node->folder ? kFileAttributeDirectory : 0);
  return true;
}

bool GetFileLengthA(const std::string& path, std::uint64_t* length) {
  Count("GetFileLengthA");
  Resolved r;
  if (!Existing(path, &r)) return false;
  // A folder can't be opened without backup semantics.
  if (r.node->folder || r.node->hideAttributes) return Fail(kErrorAccessDenied);
  *length = r.node->content.size();
  return true;
}

bool CreateDirectoryA(const std::string& path) {
  Count("CreateDirectoryA");
  if (HasWildcards(path)) return Fail(kErrorInvalidName);
  const Resolved r = Resolve(path);
  if (r.error != 0) return Fail(r.error);
  if (r.node) return Fail(kErrorAlreadyExists);
  Node folder;
  folder.folder = true;
  folder.attributes = kFileAttributeDirectory;
  return AddEntry(r, folder);
}

bool DeleteFileA(const std::string& path) {
  Count("DeleteFileA");
  Resolved r;
  if (!Existing(path, &r)) return false;
  if (r.node->folder || (r.node->attributes & kFileAttributeReadonly) != 0) return Fail(kErrorAccessDenied);
  if (r.node->locked || SharingConflict(*r.node, kFileShareDelete)) return Fail(kErrorSharingViolation);
  RemoveNode(r.node);
  return true;
}

Handle CreateFileA(const std::string& path, Dword access, Dword share, Dword disposition) {
  Count("CreateFileA");
  // The installer creates files with CREATE_ALWAYS and the tests read them
  // with OPEN_EXISTING; the other dispositions are not simulated.
  if (disposition != kCreateAlways && disposition != kOpenExisting) {
    return Fail(kErrorInvalidParameter), kInvalidHandle;
  }
  if (HasWildcards(path)) return Fail(kErrorInvalidName), kInvalidHandle;
  const Resolved r = Resolve(path);
  if (r.error != 0) return Fail(r.error), kInvalidHandle;
  if (r.node && r.node->folder) return Fail(kErrorAccessDenied), kInvalidHandle;
  if (r.trailingSeparator || r.parts.empty()) return Fail(kErrorInvalidName), kInvalidHandle;
  const bool create = disposition == kCreateAlways;
  const bool write = (access & kGenericWrite) != 0 || create;
  if (r.node) {
    Node& node = *r.node;
    // Replacing a hidden or system file needs those attributes asked for.
    const Dword protect = kFileAttributeReadonly | (create ? kFileAttributeHidden | kFileAttributeSystem : 0);
    if (write && (node.attributes & protect) != 0) return Fail(kErrorAccessDenied), kInvalidHandle;
    const Dword needShare = ((access & kGenericRead) ? kFileShareRead : 0) | (write ? kFileShareWrite : 0);
    if ((node.locked && write) || SharingConflict(node, needShare)) {
      return Fail(kErrorSharingViolation), kInvalidHandle;
    }
    if (create) {
      node.content.clear();
      node.attributes = kFileAttributeArchive;
    }
  } else {
    if (!create) return Fail(kErrorFileNotFound), kInvalidHandle;
    Node file;
    file.attributes = kFileAttributeArchive;
    if (!AddEntry(r, file)) return kInvalidHandle;
  }
  const Handle handle = NewHandleValue();
  Machine().files[handle] = OpenFile{Resolve(path).node, access, share, 0};
  // A file that was there already is reported, else the error is cleared.
  if (create) SetLastError(r.node ? kErrorAlreadyExists : 0);
  return handle;
}

bool WriteFile(Handle file, const std::string& bytes) {
  Count("WriteFile");
  const auto it = Machine().files.find(file);
  if (it == Machine().files.end()) return Fail(kErrorInvalidHandle);
  OpenFile& open = it->second;
  if ((open.access & kGenericWrite) == 0) return Fail(kErrorAccessDenied);
  std::string& content = open.node->content;
  if (content.size() < open.position) content.resize(open.position, '\0');
  content.replace(open.position, std::min(bytes.size(), content.size() - open.position), bytes);
  open.position += bytes.size();
  return true;
}

bool GetCurrentDirectoryA(std::string* path) {
  Count("GetCurrentDirectoryA");
  *path = Machine().currentDir;
  return true;
}

bool SetCurrentDirectoryA(const std::string& path) {
  Count("SetCurrentDirectoryA");
  Resolved r;
  if (!Existing(path, &r)) return false;
  if (!r.node->folder) return Fail(kErrorDirectory);
  // The platform keeps the path as the caller spelled it, not as stored.
  Machine().currentDir = r.full;
  return true;
}

// ------------------------------------------------------------ control

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
  if (!folder || cut + 1 == full->size()) return;
  const auto node = folder->AddChild(full->substr(cut + 1));
  if (node->folder) return;
  node->content = content;
  node->attributes = attributes & ~kFileAttributeNormal;
}

void AddFolder(const std::string& path, Dword attributes) {
  if (const auto folder = EnsureFolder(path)) folder->attributes = attributes | kFileAttributeDirectory;
}

void AddDrive(const std::string& drive) { EnsureFolder(drive.substr(0, 1) + ":\\"); }

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
