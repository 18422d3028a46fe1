// Path resolution in the simulated file system, as GetFullPathName and the
// file functions resolve paths: drives, the current directory, "." and "..",
// invalid names.
#include <algorithm>
#include <cctype>

#include "platform/sim/sim_state.h"

namespace platform::sim::detail {

namespace {

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

char DriveOf(const std::string& fullPath) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(fullPath[0])));
}

// The current directory of a drive: the process's own on the current drive,
// else the root. (The per-drive "=X:" variables that cmd passes on are not
// simulated.)
std::string DriveCurrentDir(char drive) {
  const std::string& current = Machine().currentDir;
  return DriveOf(current) == DriveOf(std::string(1, drive)) ? current : std::string(1, drive) + ":\\";
}

bool HasInvalidCharacters(const std::string& part) {
  return std::any_of(part.begin(), part.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 || std::string("<>\"|:*?").find(c) != std::string::npos;
  });
}

}  // namespace

std::optional<std::string> FullPath(const std::string& input) {
  std::string path = input;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty() || path.compare(0, 2, "\\\\") == 0) return std::nullopt;
  std::string base = Machine().currentDir;
  std::string rest = path;
  if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    rest = path.substr(2);
    base = !rest.empty() && rest[0] == '\\' ? path.substr(0, 2) : DriveCurrentDir(path[0]);
  } else if (path[0] == '\\') {
    base = base.substr(0, 2);
  }
  std::vector<std::string> parts;
  std::vector<std::string> given = SplitPath(base.substr(2) + "\\" + rest, '\\');
  // The platform drops trailing dots and blanks of the last component.
  if (!given.empty() && path.back() != '\\' && given.back() != "." && given.back() != "..") {
    std::string& last = given.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
  }
  for (const std::string& part : given) {
    if (part == ".." && !parts.empty()) parts.pop_back();
    if (part != ".." && part != "." && !part.empty()) parts.push_back(part);
  }
  std::string full = base.substr(0, 2) + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) full += (i == 0 ? "" : "\\") + parts[i];
  return full;
}

Resolved Resolve(const std::string& path) {
  Resolved r;
  if (path.compare(0, 2, "\\\\") == 0 || path.compare(0, 2, "//") == 0) {
    r.error = kErrorBadNetpath;
    return r;
  }
  const auto full = FullPath(path);
  const auto drive = full ? Machine().drives.find(DriveOf(*full)) : Machine().drives.end();
  if (drive == Machine().drives.end()) {
    r.error = kErrorPathNotFound;
    return r;
  }
  r.full = *full;
  r.trailingSeparator = path.back() == '\\' || path.back() == '/';
  r.parts = SplitPath(r.full.substr(2), '\\');
  if (std::any_of(r.parts.begin(), r.parts.end(), HasInvalidCharacters)) {
    r.error = kErrorInvalidName;
    return r;
  }
  r.node = drive->second;
  for (std::size_t i = 0; i < r.parts.size(); ++i) {
    // A link on the way leads on at its target; only the last component is
    // left for the caller to follow or not.
    if (r.node) r.node = FollowLink(r.node);
    if (!r.node || !r.node->folder) {
      r.error = kErrorPathNotFound;
      r.node = nullptr;
      return r;
    }
    r.parent = r.node;
    r.node = r.parent->Child(r.parts[i]);
  }
  return r;
}

std::shared_ptr<Node> FollowLink(const std::shared_ptr<Node>& node) {
  std::shared_ptr<Node> at = node;
  // Windows gives up after 63 reparse points on one path; a few do here.
  for (int depth = 0; at && !at->linkTarget.empty(); ++depth) {
    if (depth == 8) return nullptr;
    const Resolved target = Resolve(at->linkTarget);
    at = target.error == 0 ? target.node : nullptr;
  }
  return at;
}

std::string NodePath(const Node& node) {
  if (node.parent == nullptr) return node.name + "\\";
  const std::string above = NodePath(*node.parent);
  return above + (above.back() == '\\' ? "" : "\\") + node.name;
}

std::shared_ptr<Node> EnsureFolder(const std::string& path) {
  const auto full = FullPath(path);
  if (!full) return nullptr;
  Node folderTemplate;
  folderTemplate.folder = true;
  folderTemplate.attributes = kFileAttributeDirectory;
  auto& drive = Machine().drives[DriveOf(*full)];
  if (!drive) {
    drive = std::make_shared<Node>(folderTemplate);
    drive->name = std::string(1, DriveOf(*full)) + ":";
  }
  auto folder = drive;
  for (const std::string& part : SplitPath(full->substr(2), '\\')) {
    folder = folder->AddChild(part, folderTemplate);
    if (!folder->folder) return nullptr;
  }
  return folder;
}

}  // namespace platform::sim::detail
