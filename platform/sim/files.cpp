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

// A new entry in a folder, unless creating there is denied; it belongs to
// the account the process runs as.
std::shared_ptr<Node> AddEntry(Node& parent, const std::string& name, const Node& entry) {
  if (parent.denyCreate) return Fail(kErrorAccessDenied), nullptr;
  auto added = parent.AddChild(name, entry);
  added->owner = Machine().userSid;
  return added;
}

bool AddEntry(const Resolved& r, const Node& entry) {
  return AddEntry(*r.parent, r.parts.back(), entry) != nullptr;
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
  return CreateFileA(path, access, share, disposition, kFileAttributeNormal);
}

Handle CreateFileA(const std::string& path, Dword access, Dword share, Dword disposition,
                   Dword flagsAndAttributes) {
  Count("CreateFileA");
  // The dispositions the installer and the tests use; the others are not
  // simulated.
  if (disposition != kCreateAlways && disposition != kOpenExisting && disposition != kOpenAlways) {
    return Fail(kErrorInvalidParameter), kInvalidHandle;
  }
  if (HasWildcards(path)) return Fail(kErrorInvalidName), kInvalidHandle;
  const bool backup = (flagsAndAttributes & kFileFlagBackupSemantics) != 0;
  Resolved r = Resolve(path);
  if (r.error != 0) return Fail(r.error), kInvalidHandle;
  std::shared_ptr<Node> node = r.node;
  std::shared_ptr<Node> parent = r.parent;
  std::string name = r.parts.empty() ? std::string() : r.parts.back();
  // A link is followed to its target unless the link itself is asked for; a
  // link whose target is missing creates the target.
  if (node && !node->linkTarget.empty() && (flagsAndAttributes & kFileFlagOpenReparsePoint) == 0) {
    const std::string target = node->linkTarget;
    node = FollowLink(node);
    if (!node) {
      const Resolved t = Resolve(target);
      if (t.error != 0 || t.parts.empty()) return Fail(kErrorFileNotFound), kInvalidHandle;
      parent = t.parent;
      name = t.parts.back();
    }
  }
  const bool create = disposition != kOpenExisting;
  const bool truncate = disposition == kCreateAlways;
  if (node && node->folder) {
    // A folder opens only with backup semantics, and is never replaced.
    if (!backup || truncate) return Fail(kErrorAccessDenied), kInvalidHandle;
  } else if (r.trailingSeparator || name.empty()) {
    return Fail(kErrorInvalidName), kInvalidHandle;
  }
  const bool write = (access & (kGenericWrite | kFileWriteData | kFileAppendData)) != 0 || truncate;
  const bool existed = node != nullptr;
  if (node && !node->folder) {
    Node& file = *node;
    // Replacing a hidden or system file needs those attributes asked for.
    const Dword protect = kFileAttributeReadonly | (truncate ? kFileAttributeHidden | kFileAttributeSystem : 0);
    if (write && (file.attributes & protect) != 0) return Fail(kErrorAccessDenied), kInvalidHandle;
    const Dword needShare = ((access & kGenericRead) ? kFileShareRead : 0) | (write ? kFileShareWrite : 0);
    if ((file.locked && write) || SharingConflict(file, needShare)) {
      return Fail(kErrorSharingViolation), kInvalidHandle;
    }
    if (truncate) {
      file.content.clear();
      file.attributes = kFileAttributeArchive;
    }
  } else if (!node) {
    if (!create) return Fail(kErrorFileNotFound), kInvalidHandle;
    Node file;
    file.attributes = kFileAttributeArchive;
    node = AddEntry(*parent, name, file);
    if (!node) return kInvalidHandle;
  }
  const Handle handle = NewHandleValue();
  // Opened for appending only, every write goes to the end of the file.
  const bool append = (access & kFileAppendData) != 0 && (access & (kGenericWrite | kFileWriteData)) == 0;
  Machine().files[handle] = OpenFile{node, access, share, 0, append && !node->folder};
  // A file that was there already is reported, else the error is cleared.
  if (create) SetLastError(existed ? kErrorAlreadyExists : 0);
  return handle;
}

bool WriteFile(Handle file, const std::string& bytes) {
  Count("WriteFile");
  const auto it = Machine().files.find(file);
  if (it == Machine().files.end()) return Fail(kErrorInvalidHandle);
  OpenFile& open = it->second;
  if ((open.access & (kGenericWrite | kFileWriteData | kFileAppendData)) == 0 || open.node->folder) {
    return Fail(kErrorAccessDenied);
  }
  std::string& content = open.node->content;
  if (open.append) open.position = content.size();
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
  std::string security = "|" + node.owner + "|";
  if (node.dacl) {
    for (const Ace& ace : *node.dacl) {
      char entry[32];
      std::snprintf(entry, sizeof entry, "(%u;%x;%x;", ace.type, ace.flags, static_cast<unsigned>(ace.mask));
      security += entry + ace.sid + ")";
    }
  }
  lines->push_back(NodePath(node) + "|" + hex + "|" + node.content + security + "|" + node.linkTarget);
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
