// Handles that do not follow links, owners and access lists, the account of
// the process and the redirection-trust mitigation (kernel32, advapi32,
// ntdll). Every import exists on Windows XP; ntdll's calls and
// SetProcessMitigationPolicy are looked up at run time.
#include <vector>

#include "platform/win32/WinCommon.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

namespace platform {

using win32::FromHandle;
using win32::ToHandle;

namespace {

#ifndef FILE_CREATED
constexpr ULONG_PTR FILE_CREATED = 2;
#endif

// The SID of an entry, for the entry types whose layout the reader knows
// (ACE_HEADER and the ACCESS_*_ACE structures of winnt.h): the plain and the
// callback types carry it right after the mask; the object types after the
// mask, their flags and the GUIDs those flags announce.
PSID SidOfAce(const ACE_HEADER* header) {
  const BYTE* body = reinterpret_cast<const BYTE*>(header) + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      return const_cast<BYTE*>(body);
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: {
      DWORD flags = 0;
      CopyMemory(&flags, body, sizeof flags);
      const BYTE* sid = body + sizeof(DWORD);
      if (flags & ACE_OBJECT_TYPE_PRESENT) sid += sizeof(GUID);
      if (flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) sid += sizeof(GUID);
      return const_cast<BYTE*>(sid);
    }
    default:
      return nullptr;
  }
}

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !::IsValidSid(sid) || !::ConvertSidToStringSidA(sid, &text)) return {};
  std::string result(text);
  ::LocalFree(text);
  return result;
}

// A function of a system DLL looked up at run time, null when the DLL or
// the function is missing.
template <typename Function>
Function Lookup(const char* dll, const char* name) {
  const HMODULE module = ::GetModuleHandleA(dll);
  return module == nullptr ? nullptr
                           : reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// PROCESS_MITIGATION_POLICY's ProcessRedirectionTrustPolicy and the flags of
// PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY (winnt.h of newer SDKs than
// this compiler's).
constexpr int kProcessRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

}  // namespace

Handle CreateFileA(const std::string& path, Dword access, Dword share, Dword disposition,
                   Dword flagsAndAttributes) {
  HANDLE file = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes,
                              nullptr);
  return file == INVALID_HANDLE_VALUE ? kInvalidHandle : FromHandle(file);
}

bool GetFileInformationByHandle(Handle file, FileInformation* info) {
  BY_HANDLE_FILE_INFORMATION data{};
  if (!::GetFileInformationByHandle(ToHandle(file), &data)) return false;
  info->attributes = data.dwFileAttributes;
  info->links = data.nNumberOfLinks;
  info->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

Dword NtCreateFile(Handle root, const std::string& name, Dword access, Dword share,
                   Dword ntDisposition, Dword options, Handle* file, bool* created) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                           nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
  UNICODE_STRING text;
  text.Buffer = wide.data();
  text.Length = static_cast<USHORT>(length * sizeof(wchar_t));
  text.MaximumLength = static_cast<USHORT>(text.Length + sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, ToHandle(root), nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE opened = nullptr;
  // ntdll's native calls carry no "minimum supported client" in their
  // documentation (winternl.h), so they are looked up rather than imported;
  // every Windows NT has them.
  using CreateFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                    PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
  using ErrorFn = ULONG(NTAPI*)(NTSTATUS);
  const auto create = Lookup<CreateFn>("ntdll.dll", "NtCreateFile");
  const auto error = Lookup<ErrorFn>("ntdll.dll", "RtlNtStatusToDosError");
  if (create == nullptr || error == nullptr) return ERROR_PROC_NOT_FOUND;
  // FILE_SYNCHRONOUS_IO_NONALERT with SYNCHRONIZE: the handle behaves as one
  // from CreateFile does.
  const NTSTATUS result = create(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr,
                                 FILE_ATTRIBUTE_NORMAL, share, ntDisposition,
                                 options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (result < 0) return error(result);
  *file = FromHandle(opened);
  *created = status.Information == FILE_CREATED;
  return 0;
}

Dword GetSecurityInfo(Handle object, SecurityInfo* info) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD rc = ::GetSecurityInfo(ToHandle(object), SE_FILE_OBJECT,
                                     OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                     &owner, nullptr, &dacl, nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) return rc;
  SecurityInfo read;
  read.owner = SidText(owner);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    read.control = control & (SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED);
  }
  read.daclPresent = dacl != nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(dacl, i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    Ace ace;
    ace.type = header->AceType;
    ace.flags = header->AceFlags;
    CopyMemory(&ace.mask, reinterpret_cast<const BYTE*>(header) + sizeof(ACE_HEADER), sizeof ace.mask);
    ace.sid = SidText(SidOfAce(header));
    ace.bytes.assign(static_cast<const char*>(entry), header->AceSize);
    read.dacl.push_back(ace);
  }
  ::LocalFree(descriptor);
  *info = std::move(read);
  return 0;
}

bool SetKernelObjectSecurity(Handle object, const std::vector<Ace>& dacl, Word control) {
  // Entries built from their fields first become bytes of the plain allowed
  // or denied layout, so that the list is one run of AddAce calls.
  std::vector<std::string> entries;
  for (const Ace& ace : dacl) {
    if (!ace.bytes.empty()) {
      entries.push_back(ace.bytes);
      continue;
    }
    PSID sid = nullptr;
    if ((ace.type != ACCESS_ALLOWED_ACE_TYPE && ace.type != ACCESS_DENIED_ACE_TYPE) ||
        !::ConvertStringSidToSidA(ace.sid.c_str(), &sid)) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    const DWORD sidLength = ::GetLengthSid(sid);
    std::string bytes(sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sidLength, '\0');
    ACE_HEADER header{ace.type, ace.flags, static_cast<WORD>(bytes.size())};
    CopyMemory(&bytes[0], &header, sizeof header);
    CopyMemory(&bytes[sizeof header], &ace.mask, sizeof ace.mask);
    ::CopySid(sidLength, &bytes[sizeof header + sizeof(ACCESS_MASK)], sid);
    ::LocalFree(sid);
    entries.push_back(bytes);
  }
  DWORD size = sizeof(ACL);
  for (const std::string& e : entries) size += static_cast<DWORD>(e.size());
  // ACL sizes are DWORD-aligned; every entry's AceSize already is.
  // Object and callback entries need the list's newer revision.
  DWORD revision = ACL_REVISION;
  for (const std::string& e : entries) {
    if (static_cast<BYTE>(e[0]) >= ACCESS_ALLOWED_OBJECT_ACE_TYPE) revision = ACL_REVISION_DS;
  }
  std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  PACL acl = reinterpret_cast<PACL>(buffer.data());
  if (!::InitializeAcl(acl, size, revision)) return false;
  for (std::string& e : entries) {
    if (!::AddAce(acl, revision, MAXDWORD, &e[0], static_cast<DWORD>(e.size()))) return false;
  }
  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    return false;
  }
  const SECURITY_DESCRIPTOR_CONTROL bits = control & (SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED);
  if (bits != 0 && !::SetSecurityDescriptorControl(&descriptor, bits, bits)) return false;
  return ::SetKernelObjectSecurity(ToHandle(object), DACL_SECURITY_INFORMATION, &descriptor) != FALSE;
}

bool GetTokenUserSid(std::string* sid) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD needed = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
  const BOOL ok = ::GetTokenInformation(token, TokenUser, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &needed);
  win32::CloseKeepingError(token);
  if (!ok) return false;
  const std::string text = SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
  if (text.empty()) return false;
  *sid = text;
  return true;
}

Dword SetRedirectionTrustPolicy() {
  using SetPolicy = BOOL(WINAPI*)(int, PVOID, SIZE_T);
  const auto set = Lookup<SetPolicy>("kernel32.dll", "SetProcessMitigationPolicy");
  if (set == nullptr) return ERROR_PROC_NOT_FOUND;
  DWORD flags = kEnforceRedirectionTrust;
  if (!set(kProcessRedirectionTrustPolicy, &flags, sizeof flags)) return ::GetLastError();
  return 0;
}

}  // namespace platform
