// Simulated handles that do not follow links, owners and access lists, the
// account of the process and the redirection-trust mitigation; and the
// controls that set them up.
#include "platform/sim/sim_state.h"

namespace platform {

namespace sim::detail {

std::vector<Ace> DefaultDacl() {
  constexpr std::uint8_t kBoth = kObjectInheritAce | kContainerInheritAce;
  return {{kAccessAllowedAceType, kBoth, kFileAllAccess, "S-1-5-32-544", {}},
          {kAccessAllowedAceType, kBoth, kFileAllAccess, "S-1-5-18", {}},
          {kAccessAllowedAceType, kBoth, 0x1200A9, "S-1-5-32-545", {}}};
}

}  // namespace sim::detail

using namespace sim::detail;

namespace {

OpenFile* Open(Handle handle) {
  const auto it = Machine().files.find(handle);
  return it == Machine().files.end() ? nullptr : &it->second;
}

std::shared_ptr<Node> Lookup(const std::string& path) {
  const Resolved r = Resolve(path);
  return r.error == 0 ? r.node : nullptr;
}

}  // namespace

bool GetFileInformationByHandle(Handle file, FileInformation* info) {
  Count("GetFileInformationByHandle");
  const OpenFile* open = Open(file);
  if (open == nullptr) return Fail(kErrorInvalidHandle);
  info->attributes = ReportedAttributes(*open->node);
  info->links = open->node->links;
  info->size = open->node->content.size();
  return true;
}

Dword NtCreateFile(Handle root, const std::string& name, Dword access, Dword share,
                   Dword ntDisposition, Dword options, Handle* file, bool* created) {
  Count("NtCreateFile");
  const OpenFile* base = Open(root);
  if (base == nullptr) return kErrorInvalidHandle;
  if (!base->node->folder) return kErrorDirectory;
  if (ntDisposition != kFileOpen && ntDisposition != kFileOpenIf) return kErrorInvalidParameter;
  const std::vector<std::string> parts = SplitPath(name, '\\');
  if (parts.empty()) return kErrorInvalidName;
  // The walk starts inside the folder the handle refers to: nothing above it
  // is looked at again.
  std::shared_ptr<Node> folder = base->node;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    folder = FollowLink(folder->Child(parts[i]));
    if (!folder || !folder->folder) return kErrorPathNotFound;
  }
  std::shared_ptr<Node> node = folder->Child(parts.back());
  bool made = false;
  if (!node) {
    if (ntDisposition != kFileOpenIf) return kErrorFileNotFound;
    if (folder->denyCreate) return kErrorAccessDenied;
    Node entry;
    entry.folder = (options & kFileDirectoryFile) != 0;
    entry.attributes = entry.folder ? kFileAttributeDirectory : kFileAttributeArchive;
    node = folder->AddChild(parts.back(), entry);
    node->owner = Machine().userSid;
    made = true;
  } else if ((options & kFileOpenReparsePointOption) == 0) {
    node = FollowLink(node);
    if (!node) return kErrorFileNotFound;
  }
  if ((options & kFileDirectoryFile) != 0 && !node->folder) return kErrorDirectory;
  const Handle handle = NewHandleValue();
  Machine().files[handle] = OpenFile{node, access, share, 0, false};
  *file = handle;
  *created = made;
  return 0;
}

Dword GetSecurityInfo(Handle object, SecurityInfo* info) {
  Count("GetSecurityInfo");
  const OpenFile* open = Open(object);
  if (open == nullptr) return kErrorInvalidHandle;
  if ((open->access & kReadControl) == 0) return kErrorAccessDenied;
  const Node& node = *open->node;
  *info = SecurityInfo{node.owner, true, node.dacl ? *node.dacl : DefaultDacl(), node.daclControl};
  return 0;
}

bool SetKernelObjectSecurity(Handle object, const std::vector<Ace>& dacl, Word control) {
  Count("SetKernelObjectSecurity");
  OpenFile* open = Open(object);
  if (open == nullptr) return Fail(kErrorInvalidHandle);
  if ((open->access & kWriteDac) == 0) return Fail(kErrorAccessDenied);
  std::vector<Ace> stored;
  for (Ace ace : dacl) {
    ace.bytes.clear();
    stored.push_back(ace);
  }
  open->node->dacl = stored;
  open->node->daclControl = control & 0x1400;
  return true;
}

bool GetTokenUserSid(std::string* sid) {
  Count("GetTokenInformation");
  *sid = Machine().userSid;
  return true;
}

Dword SetRedirectionTrustPolicy() {
  Count("SetProcessMitigationPolicy");
  return Machine().redirectionTrustAnswer;
}

// ------------------------------------------------------------ control

void sim::SetOwner(const std::string& path, const std::string& sid) {
  if (const auto node = Lookup(path)) node->owner = sid;
}

void sim::SetDacl(const std::string& path, const std::vector<Ace>& dacl) {
  if (const auto node = Lookup(path)) node->dacl = dacl;
}

std::optional<SecurityInfo> sim::SecurityOf(const std::string& path) {
  const auto node = Lookup(path);
  if (!node) return std::nullopt;
  return SecurityInfo{node->owner, true, node->dacl ? *node->dacl : DefaultDacl(), node->daclControl};
}

void sim::AddLink(const std::string& path, const std::string& target, bool folder) {
  if (folder) {
    AddFolder(path);
  } else {
    AddFile(path);
  }
  if (const auto node = Lookup(path)) node->linkTarget = target;
}

void sim::SetLinkCount(const std::string& path, Dword links) {
  if (const auto node = Lookup(path)) node->links = links;
}

void sim::SetUserSid(const std::string& sid) { Machine().userSid = sid; }

void sim::SetRedirectionTrustAnswer(Dword answer) { Machine().redirectionTrustAnswer = answer; }

}  // namespace platform
