// File system calls of kernel32 in their ANSI form.
#include <vector>

#include "platform/win32/WinCommon.h"

namespace platform {

using win32::CloseKeepingError;
using win32::FromHandle;
using win32::ToHandle;

Dword GetFileAttributesA(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

bool SetFileAttributesA(const std::string& path, Dword attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool GetFileLengthA(const std::string& path, std::uint64_t* length) {
  // Access 0 asks for the attributes only, so the file may be open elsewhere;
  // without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened and fails.
  HANDLE file = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  const bool ok = ::GetFileSizeEx(file, &size) != FALSE;
  CloseKeepingError(file);
  if (ok && length != nullptr) *length = static_cast<std::uint64_t>(size.QuadPart);
  return ok;
}

namespace {
void CopyFindData(const WIN32_FIND_DATAA& found, FindDataA* data) {
  if (data == nullptr) return;
  data->attributes = found.dwFileAttributes;
  data->fileName = found.cFileName;
}
}  // namespace

Handle FindFirstFileA(const std::string& pattern, FindDataA* data) {
  WIN32_FIND_DATAA found{};
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return kInvalidHandle;
  CopyFindData(found, data);
  return FromHandle(find);
}

bool FindNextFileA(Handle find, FindDataA* data) {
  WIN32_FIND_DATAA found{};
  if (!::FindNextFileA(ToHandle(find), &found)) return false;
  CopyFindData(found, data);
  return true;
}

bool FindClose(Handle find) { return ::FindClose(ToHandle(find)) != FALSE; }

bool CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool DeleteFileA(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

Handle CreateFileA(const std::string& path, Dword access, Dword share, Dword disposition) {
  HANDLE file = ::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kInvalidHandle : FromHandle(file);
}

bool WriteFile(Handle file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t left = bytes.size() - done;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(ToHandle(file), bytes.data() + done, chunk, &written, nullptr)) return false;
    if (written == 0) return false;
    done += written;
  }
  return true;
}

bool GetCurrentDirectoryA(std::string* path) {
  DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
  // The folder may change between the two calls; try again when it grew.
  for (int attempt = 0; attempt < 3 && needed != 0; ++attempt) {
    std::vector<char> buffer(needed + 1);
    const DWORD got = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (got == 0) return false;
    if (got < buffer.size()) {
      if (path != nullptr) path->assign(buffer.data(), got);
      return true;
    }
    needed = got;
  }
  return false;
}

bool SetCurrentDirectoryA(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

}  // namespace platform
