// Message boxes, the shell, the common file dialogs and the application
// pointer (user32, shell32, comdlg32).
#include "platform/win32/WinCommon.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstddef>

namespace platform {

using win32::ToHwnd;

int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption, Dword style) {
  return ::MessageBoxA(ToHwnd(owner), text.c_str(), caption.c_str(), style);
}

std::intptr_t ShellExecuteA(Hwnd window, const std::string& operation, const std::string& file,
                            const std::string& parameters, const std::string& directory,
                            int showCommand) {
  // An empty text stands for "not given" (the default verb, no parameters,
  // the current folder), which the platform spells as a null pointer.
  auto orNull = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
  HINSTANCE result = ::ShellExecuteA(ToHwnd(window), orNull(operation), file.c_str(),
                                     orNull(parameters), orNull(directory), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

namespace {

// The record form that ends with lpTemplateName: 76 bytes on 32-bit Windows,
// 136 on 64-bit Windows.
constexpr DWORD kVersion400Size =
    static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
#if defined(_WIN64)
static_assert(kVersion400Size == 136, "OPENFILENAMEA version 4 form, 64-bit");
#else
static_assert(kVersion400Size == kOpenFileNameSize, "OPENFILENAMEA version 4 form is 76 bytes");
#endif

using FileDialog = BOOL(WINAPI*)(LPOPENFILENAMEA);

bool RunFileDialog(FileDialog dialog, OpenFileNameA* record) {
  if (record == nullptr) return false;
  OPENFILENAMEA ofn{};
  // The caller fills in the 32-bit record size; a size the caller got wrong
  // is passed on unchanged so that the call fails as the platform's would.
  ofn.lStructSize = record->structSize == kOpenFileNameSize
                        ? static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A)
                        : record->structSize;
  ofn.hwndOwner = ToHwnd(record->owner);
  ofn.hInstance = reinterpret_cast<HINSTANCE>(record->instance);
  ofn.lpstrFilter = record->filter;
  ofn.lpstrCustomFilter = record->customFilter;
  ofn.nMaxCustFilter = record->maxCustFilter;
  ofn.nFilterIndex = record->filterIndex;
  ofn.lpstrFile = record->file;
  ofn.nMaxFile = record->maxFile;
  ofn.lpstrFileTitle = record->fileTitle;
  ofn.nMaxFileTitle = record->maxFileTitle;
  ofn.lpstrInitialDir = record->initialDir;
  ofn.lpstrTitle = record->title;
  ofn.Flags = record->flags;
  ofn.nFileOffset = record->fileOffset;
  ofn.nFileExtension = record->fileExtension;
  ofn.lpstrDefExt = record->defExt;
  ofn.lCustData = static_cast<LPARAM>(record->custData);
  ofn.lpfnHook = reinterpret_cast<LPOFNHOOKPROC>(record->hook);
  ofn.lpTemplateName = record->templateName;
  const bool chosen = dialog(&ofn) != FALSE;
  // The dialog reports back through these fields (the texts it wrote are in
  // the caller's buffers already).
  record->filterIndex = ofn.nFilterIndex;
  record->flags = ofn.Flags;
  record->fileOffset = ofn.nFileOffset;
  record->fileExtension = ofn.nFileExtension;
  return chosen;
}

}  // namespace

bool GetOpenFileNameA(OpenFileNameA* record) { return RunFileDialog(::GetOpenFileNameA, record); }

bool GetSaveFileNameA(OpenFileNameA* record) { return RunFileDialog(::GetSaveFileNameA, record); }

bool SetApplicationPointer(int pointerCode) {
  LPCSTR shape = nullptr;
  if (pointerCode == kPointerHourglass) {
    shape = IDC_WAIT;
  } else if (pointerCode == kPointerDefault) {
    shape = IDC_ARROW;
  } else {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  HCURSOR cursor = ::LoadCursorA(nullptr, shape);
  if (cursor == nullptr) return false;
  ::SetCursor(cursor);
  return true;
}

}  // namespace platform
