// The thin layer over the Windows calls the installer makes.
//
// One function per Windows call, in its ANSI form: texts cross this layer as
// 8-bit strings in the ANSI code page (ToAnsi / FromAnsi convert), byte data as
// bytes. Two backends implement this header: win32 (the real calls) and sim
// (an in-memory simulation for host builds, controlled through sim/sim.h).
// Nothing above this layer includes <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using Dword = std::uint32_t;
using Word = std::uint16_t;
using Long = std::int32_t;

// A registry key handle value. The predefined roots are the 32-bit values
// 0x80000000..0x80000006 sign-extended to pointer width, exactly as the
// platform's HKEY_* constants are (so a 32-bit root number converts with a
// plain static_cast<HKey>(std::int32_t)).
using HKey = std::intptr_t;
// A kernel object handle (process, thread, file, find handle). 0 and
// kInvalidHandle both mean "no handle".
using Handle = std::intptr_t;
// A window handle; 0 is "no window".
using Hwnd = std::intptr_t;

constexpr Handle kInvalidHandle = -1;

constexpr HKey RootKey(std::int32_t value) { return static_cast<HKey>(value); }
constexpr HKey kHkeyClassesRoot = RootKey(static_cast<std::int32_t>(0x80000000u));
constexpr HKey kHkeyCurrentUser = RootKey(static_cast<std::int32_t>(0x80000001u));
constexpr HKey kHkeyLocalMachine = RootKey(static_cast<std::int32_t>(0x80000002u));
constexpr HKey kHkeyUsers = RootKey(static_cast<std::int32_t>(0x80000003u));
constexpr HKey kHkeyPerformanceData = RootKey(static_cast<std::int32_t>(0x80000004u));
constexpr HKey kHkeyCurrentConfig = RootKey(static_cast<std::int32_t>(0x80000005u));
constexpr HKey kHkeyDynData = RootKey(static_cast<std::int32_t>(0x80000006u));

// Error codes, with the platform's numbers.
constexpr Long kErrorSuccess = 0;
constexpr Long kErrorFileNotFound = 2;
constexpr Long kErrorPathNotFound = 3;
constexpr Long kErrorAccessDenied = 5;
constexpr Long kErrorInvalidHandle = 6;
constexpr Long kErrorNoMoreFiles = 18;
constexpr Long kErrorSharingViolation = 32;
constexpr Long kErrorFileExists = 80;
constexpr Long kErrorInvalidParameter = 87;
constexpr Long kErrorInvalidName = 123;
constexpr Long kErrorAlreadyExists = 183;
constexpr Long kErrorMoreData = 234;

// Registry value types and access rights.
constexpr Dword kRegNone = 0;
constexpr Dword kRegSz = 1;
constexpr Dword kRegExpandSz = 2;
constexpr Dword kRegBinary = 3;
constexpr Dword kRegDword = 4;
constexpr Dword kRegMultiSz = 7;
constexpr Dword kKeyQueryValue = 0x1;
constexpr Dword kKeySetValue = 0x2;
constexpr Dword kKeyCreateSubKey = 0x4;
constexpr Dword kKeyEnumerateSubKeys = 0x8;
constexpr Dword kRegOptionNonVolatile = 0;
constexpr Dword kRegCreatedNewKey = 1;
constexpr Dword kRegOpenedExistingKey = 2;

// File attributes.
constexpr Dword kFileAttributeReadonly = 0x1;
constexpr Dword kFileAttributeHidden = 0x2;
constexpr Dword kFileAttributeSystem = 0x4;
constexpr Dword kFileAttributeDirectory = 0x10;
constexpr Dword kFileAttributeArchive = 0x20;
constexpr Dword kFileAttributeNormal = 0x80;
constexpr Dword kInvalidFileAttributes = 0xFFFFFFFFu;

// CreateFileA arguments.
constexpr Dword kGenericRead = 0x80000000u;
constexpr Dword kGenericWrite = 0x40000000u;
constexpr Dword kFileShareRead = 0x1;
constexpr Dword kFileShareWrite = 0x2;
constexpr Dword kFileShareDelete = 0x4;
constexpr Dword kCreateAlways = 2;
constexpr Dword kOpenExisting = 3;

// Processes and waits.
constexpr Dword kNormalPriorityClass = 0x20;
constexpr Dword kStartfUseShowWindow = 0x1;
constexpr Word kSwHide = 0;
constexpr Word kSwShowNormal = 1;
constexpr Dword kInfinite = 0xFFFFFFFFu;
constexpr Dword kWaitObject0 = 0;
constexpr Dword kWaitTimeout = 258;
constexpr Dword kWaitFailed = 0xFFFFFFFFu;
constexpr Dword kQsAllInput = 0x04FF;

// Message boxes.
constexpr Dword kMbOk = 0x0;
constexpr Dword kMbYesNoCancel = 0x3;
constexpr Dword kMbYesNo = 0x4;
constexpr Dword kMbIconQuestion = 0x20;
constexpr Dword kMbIconExclamation = 0x30;
constexpr Dword kMbIconError = 0x10;
constexpr Dword kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Mouse pointer codes of the application-wide pointer.
constexpr int kPointerDefault = 0;
constexpr int kPointerHourglass = 11;

// ---------------------------------------------------------------------------
// Last error

// The calling thread's last-error value (GetLastError / SetLastError).
[[nodiscard]] Dword GetLastError();
void SetLastError(Dword code);
// The system's text for an error code, without trailing line breaks; the
// empty text when the system has none.
std::string FormatMessageA(Dword code);

// ---------------------------------------------------------------------------
// Registry (advapi32). Every function answers the platform's error code.
// Out-parameters stay untouched on failure.

[[nodiscard]] Long RegOpenKeyExA(HKey key, const std::string& subKey, Dword options,
                                 Dword access, HKey* result);
// data may be null (size query). With a buffer too small: kErrorMoreData and
// *size set to the size needed. type may be null.
[[nodiscard]] Long RegQueryValueExA(HKey key, const std::string& valueName, Dword* type,
                                    std::uint8_t* data, Dword* size);
// Class is the empty text and the security attributes are the all-zero
// record (default security).
[[nodiscard]] Long RegCreateKeyExA(HKey key, const std::string& subKey, Dword options,
                                   Dword access, HKey* result, Dword* disposition);
[[nodiscard]] Long RegSetValueExA(HKey key, const std::string& valueName, Dword type,
                                  const std::uint8_t* data, Dword size);
Long RegCloseKey(HKey key);

// ---------------------------------------------------------------------------
// Processes and the message queue (kernel32, user32)

struct StartupInfoA {
  Dword cb = 0;
  Dword flags = 0;
  Word showWindow = 0;
};

struct ProcessInformation {
  Handle process = 0;
  Handle thread = 0;
  Dword processId = 0;
  Dword threadId = 0;
};

// The size of the platform's STARTUPINFOA record (the value for cb).
[[nodiscard]] Dword StartupInfoSize();

// CreateProcessA with lpApplicationName, the attribute records, lpEnvironment
// and lpCurrentDirectory all null; every other STARTUPINFOA field zero.
// False on failure (GetLastError tells why); *info untouched then.
[[nodiscard]] bool CreateProcessA(const std::string& commandLine, bool inheritHandles,
                                  Dword creationFlags, const StartupInfoA& startup,
                                  ProcessInformation* info);
[[nodiscard]] Dword WaitForSingleObject(Handle handle, Dword milliseconds);
// MsgWaitForMultipleObjects on the one handle (bWaitAll false): kWaitObject0
// when the handle is signalled, kWaitObject0 + 1 when input of wakeMask is
// queued, kWaitTimeout, or kWaitFailed.
[[nodiscard]] Dword MsgWaitForMultipleObjects(Handle handle, Dword milliseconds,
                                              Dword wakeMask);
bool CloseHandle(Handle handle);
// False when the exit code can't be read; 259 (STILL_ACTIVE) while running.
[[nodiscard]] bool GetExitCodeProcess(Handle process, Dword* exitCode);
// PeekMessageA(PM_REMOVE) / TranslateMessage / DispatchMessageA until the
// calling thread's queue is empty. Answers how many messages it dispatched.
int DispatchPendingMessages();

// ---------------------------------------------------------------------------
// Shell, message boxes, dialogs, pointer (shell32, user32, comdlg32)

[[nodiscard]] int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption,
                              Dword style);
// Answers the platform's result (greater than 32 on success).
std::intptr_t ShellExecuteA(Hwnd window, const std::string& operation, const std::string& file,
                            const std::string& parameters, const std::string& directory,
                            int showCommand);

// The fields of the 76-byte OPENFILENAMEA record (the form that ends with
// lpTemplateName), in the record's order. structSize is 76 as the installer
// sets it; the win32 backend passes the platform's size of that record form
// (76 on 32-bit Windows) to the real call. Pointers to texts point into
// buffers owned by the caller.
struct OpenFileNameA {
  Dword structSize = 0;
  Hwnd owner = 0;
  std::intptr_t instance = 0;
  const char* filter = nullptr;  // pairs of NUL-terminated texts, closed by a second NUL
  char* customFilter = nullptr;
  Dword maxCustFilter = 0;
  Dword filterIndex = 0;
  char* file = nullptr;  // buffer of maxFile bytes
  Dword maxFile = 0;
  char* fileTitle = nullptr;
  Dword maxFileTitle = 0;
  const char* initialDir = nullptr;
  const char* title = nullptr;
  Dword flags = 0;
  Word fileOffset = 0;
  Word fileExtension = 0;
  const char* defExt = nullptr;
  std::intptr_t custData = 0;
  void* hook = nullptr;
  const char* templateName = nullptr;
};
constexpr Dword kOpenFileNameSize = 76;
constexpr Dword kOfnOverwritePrompt = 0x2;
constexpr Dword kOfnHideReadonly = 0x4;
constexpr Dword kOfnPathMustExist = 0x800;
constexpr Dword kOfnFileMustExist = 0x1000;

// Nonzero (true) when the user chose a file; false on cancel or failure.
[[nodiscard]] bool GetOpenFileNameA(OpenFileNameA* record);
[[nodiscard]] bool GetSaveFileNameA(OpenFileNameA* record);

// Sets the application-wide mouse pointer: kPointerDefault or
// kPointerHourglass. False when the pointer could not be set.
[[nodiscard]] bool SetApplicationPointer(int pointerCode);

// ---------------------------------------------------------------------------
// File system (kernel32)

[[nodiscard]] Dword GetFileAttributesA(const std::string& path);
[[nodiscard]] bool SetFileAttributesA(const std::string& path, Dword attributes);
// The length of the file at path (opened for attribute access only, so a
// folder path fails). False on any failure, *length untouched then.
[[nodiscard]] bool GetFileLengthA(const std::string& path, std::uint64_t* length);

struct FindDataA {
  Dword attributes = 0;
  std::string fileName;
};
// kInvalidHandle when nothing matches or the listing can't start.
[[nodiscard]] Handle FindFirstFileA(const std::string& pattern, FindDataA* data);
// False at the end (kErrorNoMoreFiles) or on failure (another error).
[[nodiscard]] bool FindNextFileA(Handle find, FindDataA* data);
bool FindClose(Handle find);

[[nodiscard]] bool CreateDirectoryA(const std::string& path);
[[nodiscard]] bool DeleteFileA(const std::string& path);
// CreateFileA without security attributes, template or flags other than
// FILE_ATTRIBUTE_NORMAL. kInvalidHandle on failure.
[[nodiscard]] Handle CreateFileA(const std::string& path, Dword access, Dword share,
                                 Dword disposition);
// Writes all bytes; false when not all of them were written.
[[nodiscard]] bool WriteFile(Handle file, const std::string& bytes);

[[nodiscard]] bool GetCurrentDirectoryA(std::string* path);
// Also changes the current drive when given a bare drive ("D:").
[[nodiscard]] bool SetCurrentDirectoryA(const std::string& path);

// ---------------------------------------------------------------------------
// Process environment

// False when the variable is not set.
[[nodiscard]] bool GetEnvironmentVariableA(const std::string& name, std::string* value);
// The full path of this process's executable file.
[[nodiscard]] bool GetModuleFileNameA(std::string* path);
// The command line this process was started with, as the system keeps it:
// the program's token (quoted or not) and the arguments after it.
[[nodiscard]] std::string GetCommandLineA();

// GetNativeSystemInfo: the processor architecture of the running Windows, as
// a 64-bit Windows reports it also to a 32-bit program (which GetSystemInfo
// would tell "Intel").
struct SystemInfo {
  Word processorArchitecture = 0;
};
void GetNativeSystemInfo(SystemInfo* info);
constexpr Word kProcessorArchitectureIntel = 0;
constexpr Word kProcessorArchitectureArm = 5;
constexpr Word kProcessorArchitectureIa64 = 6;
constexpr Word kProcessorArchitectureAmd64 = 9;
constexpr Word kProcessorArchitectureArm64 = 12;
constexpr Word kProcessorArchitectureUnknown = 0xFFFF;

// GetVersionExA with the OSVERSIONINFOA record: the running Windows's
// version numbers and its service pack text (szCSDVersion, "" for none).
// False when the call fails; *info untouched then.
struct OsVersionInfo {
  Dword majorVersion = 0;
  Dword minorVersion = 0;
  Dword buildNumber = 0;
  std::string servicePack;
};
[[nodiscard]] bool GetVersionExA(OsVersionInfo* info);

// The window station of this process (GetProcessWindowStation), 0 on
// failure. The handle belongs to the system: it is never closed.
[[nodiscard]] Handle GetProcessWindowStation();
// GetUserObjectInformationA with UOI_FLAGS: the dwFlags field of the
// object's USEROBJECTFLAGS record (kWsfVisible for a window station with a
// visible display surface). False on failure; *flags untouched then.
[[nodiscard]] bool GetUserObjectFlags(Handle object, Dword* flags);
constexpr Dword kWsfVisible = 0x1;

// CheckTokenMembership of the calling thread's (or process's) token in the
// well-known Administrators group (S-1-5-32-544), the SID built with
// AllocateAndInitializeSid and freed with FreeSid. *member is true only
// where the group is enabled in the token. False when the check fails.
[[nodiscard]] bool CheckAdministratorsMembership(bool* member);

// GetLocalTime: the local date and time.
struct SystemTime {
  Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};
void GetLocalTime(SystemTime* time);
// GetTickCount: milliseconds since the system started (wraps after 49.7 days).
[[nodiscard]] Dword GetTickCount();

// ---------------------------------------------------------------------------
// Code pages

// Text to the ANSI code page (a character the code page lacks becomes
// '?'), bytes of the ANSI code page to text. The ANSI code page may be any,
// 65001 (UTF-8) included.
std::string ToAnsi(const std::u16string& text);
std::u16string FromAnsi(const std::string& bytes);
// Text to the OEM (console) code page, in which cmd reads batch files.
std::string ToOem(const std::u16string& text);

// The same through a code page named by number; kCpAcp and kCpOemcp stand
// for the system's ANSI and OEM code pages.
constexpr unsigned kCpAcp = 0;
constexpr unsigned kCpOemcp = 1;
constexpr unsigned kCpUtf8 = 65001;
// GetACP / GetOEMCP: the numbers of the system's ANSI and OEM code pages.
[[nodiscard]] unsigned GetACP();
[[nodiscard]] unsigned GetOEMCP();
std::string ToCodePage(unsigned codePage, const std::u16string& text);
std::u16string FromCodePage(unsigned codePage, const std::string& bytes);

// ---------------------------------------------------------------------------
// Letter case

// Lower-cases text in place through the system's mapping, one UTF-16 unit
// for one: the length never changes.
void CharLowerBuffW(std::u16string* text);


// ---------------------------------------------------------------------------
// Waiting and reading (kernel32)

// Suspends the calling thread for the given time.
void Sleep(Dword milliseconds);
// Reads up to maxBytes; false on failure. Empty *bytes at the end of the file.
[[nodiscard]] bool ReadFile(Handle file, std::string* bytes, Dword maxBytes);

// ---------------------------------------------------------------------------
// Registry keys: enumeration and deletion (advapi32)

constexpr Long kErrorNoMoreItems = 259;

// RegEnumKeyExA without class and time: the name of the index-th subkey.
// kErrorNoMoreItems past the last one; *name untouched on failure.
[[nodiscard]] Long RegEnumKeyExA(HKey key, Dword index, std::string* name);
// Deletes a key that has no subkeys (one with subkeys: kErrorAccessDenied).
[[nodiscard]] Long RegDeleteKeyA(HKey key, const std::string& subKey);

// ---------------------------------------------------------------------------
// Spooler (winspool.drv). A printer handle is 0 when there is none.

constexpr Long kErrorInvalidPrinterName = 1801;
constexpr Long kRpcServerUnavailable = 1722;
// PRINTER_ALL_ACCESS: needed for DeletePrinter (it includes DELETE).
constexpr Dword kPrinterAllAccess = 0x000F000C;
// PRINTER_ACCESS_USE: enough to read a printer's settings.
constexpr Dword kPrinterAccessUse = 0x00000008;

// OpenPrinterA with a PRINTER_DEFAULTSA record asking for desiredAccess (no
// data type, no device mode). False on failure (GetLastError tells why:
// kErrorInvalidPrinterName for a printer the spooler does not know); *printer
// untouched then.
[[nodiscard]] bool OpenPrinterA(const std::string& name, Dword desiredAccess, Handle* printer);

// The fields of PRINTER_INFO_2A the installer reads.
struct PrinterInfo2 {
  std::string printerName;
  std::string portName;
  std::string driverName;
  Dword status = 0;
};
// GetPrinterA at level 2 (size query, then the call). False on failure;
// *info untouched then.
[[nodiscard]] bool GetPrinterA(Handle printer, PrinterInfo2* info);
// Deletes the printer (or marks it for deletion while jobs remain). The
// handle stays open: ClosePrinter still follows.
[[nodiscard]] bool DeletePrinter(Handle printer);
bool ClosePrinter(Handle printer);

// ---------------------------------------------------------------------------
// Service control manager (advapi32). A service handle is 0 when there is none.

constexpr Long kErrorDependentServicesRunning = 1051;
constexpr Long kErrorServiceAlreadyRunning = 1056;
constexpr Long kErrorServiceDoesNotExist = 1060;
constexpr Long kErrorServiceNotActive = 1062;
constexpr Dword kScManagerConnect = 0x0001;
constexpr Dword kServiceQueryStatus = 0x0004;
constexpr Dword kServiceEnumerateDependents = 0x0008;
constexpr Dword kServiceStart = 0x0010;
constexpr Dword kServiceStop = 0x0020;
constexpr Dword kServiceControlStop = 1;
// EnumDependentServicesA: services in any state but SERVICE_STOPPED.
constexpr Dword kServiceActive = 1;
// The states of SERVICE_STATUS.dwCurrentState.
constexpr Dword kServiceStopped = 1;
constexpr Dword kServiceStartPending = 2;
constexpr Dword kServiceStopPending = 3;
constexpr Dword kServiceRunning = 4;

// The fields of SERVICE_STATUS the installer reads.
struct ServiceStatus {
  Dword currentState = 0;
  Dword win32ExitCode = 0;
  Dword checkPoint = 0;
  Dword waitHint = 0;  // milliseconds the service expects its pending state to last
};
struct DependentService {
  std::string serviceName;
  ServiceStatus status;
};

// OpenSCManagerA on this machine's active database. 0 on failure.
[[nodiscard]] Handle OpenSCManagerA(Dword access);
// 0 on failure (kErrorServiceDoesNotExist for an unknown name).
[[nodiscard]] Handle OpenServiceA(Handle manager, const std::string& name, Dword access);
[[nodiscard]] bool QueryServiceStatus(Handle service, ServiceStatus* status);
// The status is filled in on success and for most failures, as the platform
// does; untouched otherwise.
[[nodiscard]] bool ControlService(Handle service, Dword control, ServiceStatus* status);
// StartServiceA without arguments.
[[nodiscard]] bool StartServiceA(Handle service);
// EnumDependentServicesA (size query, then the call): the services that
// depend on this one, in the given states, in the reverse of their start
// order. False on failure; *services untouched then.
[[nodiscard]] bool EnumDependentServicesA(Handle service, Dword states,
                                          std::vector<DependentService>* services);
bool CloseServiceHandle(Handle handle);

// ---------------------------------------------------------------------------
// What a standard user may control: handles that do not follow links, owners
// and access lists, children started by full path in a folder of the
// system's, bounded waits, and the error and mitigation modes of a run that
// nobody watches.

constexpr Dword kFileAttributeReparsePoint = 0x400;
// CreateFileA: OPEN_ALWAYS; FILE_FLAG_BACKUP_SEMANTICS (a folder can be
// opened); FILE_FLAG_OPEN_REPARSE_POINT (the last component's link is opened
// itself, not followed).
constexpr Dword kOpenAlways = 4;
constexpr Dword kFileFlagBackupSemantics = 0x02000000;
constexpr Dword kFileFlagOpenReparsePoint = 0x00200000;
// Access rights (File Security and Access Rights; Standard Access Rights).
constexpr Dword kFileReadData = 0x1;        // FILE_LIST_DIRECTORY on a folder
constexpr Dword kFileWriteData = 0x2;       // FILE_ADD_FILE on a folder
constexpr Dword kFileAppendData = 0x4;      // FILE_ADD_SUBDIRECTORY on a folder
constexpr Dword kFileTraverse = 0x20;
constexpr Dword kFileDeleteChild = 0x40;
constexpr Dword kFileReadAttributes = 0x80;
constexpr Dword kDelete = 0x10000;
constexpr Dword kReadControl = 0x20000;
constexpr Dword kWriteDac = 0x40000;
constexpr Dword kWriteOwner = 0x80000;
constexpr Dword kSynchronize = 0x100000;
constexpr Dword kFileAllAccess = 0x1F01FF;
constexpr Dword kGenericAll = 0x10000000;
// Error codes.
constexpr Long kErrorProcNotFound = 127;
constexpr Long kErrorDirectory = 267;

// CreateFileA with dwFlagsAndAttributes as given (no security attributes, no
// template). kInvalidHandle on failure. With kCreateAlways or kOpenAlways the
// last error is kErrorAlreadyExists when the file was there already, else 0.
[[nodiscard]] Handle CreateFileA(const std::string& path, Dword access, Dword share,
                                 Dword disposition, Dword flagsAndAttributes);

// GetFileInformationByHandle: what the handle itself refers to. False on
// failure; *info untouched then.
struct FileInformation {
  Dword attributes = 0;
  Dword links = 0;  // nNumberOfLinks: hard links to the file
  std::uint64_t size = 0;
};
[[nodiscard]] bool GetFileInformationByHandle(Handle file, FileInformation* info);

// NtCreateFile (ntdll) of a name relative to an open folder
// (OBJECT_ATTRIBUTES.RootDirectory), so that no path is resolved again from
// the drive's root; the name converted from the ANSI code page,
// case-insensitive, synchronous I/O. ntDisposition kFileOpen or kFileOpenIf,
// options kFileDirectoryFile and kFileOpenReparsePointOption as needed.
// Answers 0 with *file set and *created true when the entry was created
// (FILE_CREATED), or the Win32 error code of the status
// (RtlNtStatusToDosError; *file and *created untouched then).
constexpr Dword kFileOpen = 1;
constexpr Dword kFileOpenIf = 3;
constexpr Dword kFileDirectoryFile = 0x1;
constexpr Dword kFileOpenReparsePointOption = 0x00200000;
[[nodiscard]] Dword NtCreateFile(Handle root, const std::string& name, Dword access, Dword share,
                                 Dword ntDisposition, Dword options, Handle* file, bool* created);

// An access control entry. type: ACCESS_ALLOWED_ACE_TYPE (0),
// ACCESS_DENIED_ACE_TYPE (1), or any other type as stored; flags: the
// AceFlags (kObjectInheritAce, kContainerInheritAce, kInheritOnlyAce,
// kInheritedAce); sid as ConvertSidToStringSidA writes it ("S-1-1-0"), empty
// when the type carries none that the reader knows; bytes: the whole entry
// as stored, which SetKernelObjectSecurity copies as it is (empty for an
// entry built from the other fields).
struct Ace {
  std::uint8_t type = 0;
  std::uint8_t flags = 0;
  Dword mask = 0;
  std::string sid;
  std::string bytes;
};
constexpr std::uint8_t kAccessAllowedAceType = 0;
constexpr std::uint8_t kAccessDeniedAceType = 1;
constexpr std::uint8_t kObjectInheritAce = 0x1;
constexpr std::uint8_t kContainerInheritAce = 0x2;
constexpr std::uint8_t kInheritOnlyAce = 0x8;
constexpr std::uint8_t kInheritedAce = 0x10;
// The owner and the DACL of an object. daclPresent false: a NULL DACL, which
// grants everyone every right. control: the security descriptor's
// SE_DACL_AUTO_INHERITED (0x400) and SE_DACL_PROTECTED (0x1000) bits.
struct SecurityInfo {
  std::string owner;
  bool daclPresent = false;
  std::vector<Ace> dacl;
  Word control = 0;
};
// GetSecurityInfo(SE_FILE_OBJECT, OWNER | DACL) on a handle opened with
// READ_CONTROL. Answers 0, or the error code (*info untouched then).
[[nodiscard]] Dword GetSecurityInfo(Handle object, SecurityInfo* info);
// SetKernelObjectSecurity(DACL_SECURITY_INFORMATION) on a handle opened with
// WRITE_DAC: the object's DACL becomes exactly these entries in this order,
// with the given control bits. Unlike SetSecurityInfo and
// SetNamedSecurityInfo it changes this one object and never walks into its
// children. False on failure (GetLastError tells why).
[[nodiscard]] bool SetKernelObjectSecurity(Handle object, const std::vector<Ace>& dacl,
                                           Word control);

// The account this process runs as: the user SID of its token
// (OpenProcessToken, GetTokenInformation with TokenUser), as
// ConvertSidToStringSidA writes it. False on failure.
[[nodiscard]] bool GetTokenUserSid(std::string* sid);

// GetSystemDirectoryA: the system folder without a closing "\" (a 32-bit
// program on 64-bit Windows is told System32, which the system redirects to
// the 32-bit SysWOW64 for it). False on failure.
[[nodiscard]] bool GetSystemDirectoryA(std::string* path);

// CreateProcessA with lpApplicationName (the program, a full path; empty:
// null, the command line's first token is searched) and lpCurrentDirectory
// (empty: null, the caller's); otherwise as the form above.
[[nodiscard]] bool CreateProcessA(const std::string& applicationName,
                                  const std::string& commandLine, bool inheritHandles,
                                  Dword creationFlags, const std::string& currentDirectory,
                                  const StartupInfoA& startup, ProcessInformation* info);
// TerminateProcess: ends the process with that exit code; it has ended once
// a wait on its handle reports it.
bool TerminateProcess(Handle process, Dword exitCode);

// SetErrorMode: answers the previous mode. Children inherit the mode.
Dword SetErrorMode(Dword mode);
constexpr Dword kSemFailCriticalErrors = 0x1;
constexpr Dword kSemNoGpFaultErrorBox = 0x2;
constexpr Dword kSemNoOpenFileErrorBox = 0x8000;

[[nodiscard]] Dword GetCurrentProcessId();
// ProcessIdToSessionId: the Terminal Services session of a process. False on
// failure; *session untouched then.
[[nodiscard]] bool ProcessIdToSessionId(Dword processId, Dword* session);

// SetProcessMitigationPolicy(ProcessRedirectionTrustPolicy) with
// EnforceRedirectionTrust: from then on the process does not follow
// junctions that non-administrators created. Looked up at run time in
// kernel32, which lacks the function before Windows 8. Answers 0 when on,
// kErrorProcNotFound where the function is missing, else the call's error
// (kErrorInvalidParameter where the system does not know the policy, before
// Windows 10 21H2 / Windows 11).
[[nodiscard]] Dword SetRedirectionTrustPolicy();

}  // namespace platform
