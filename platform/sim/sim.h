// Control of the simulated platform (the sim backend): tests set up the
// registry, the file system, the environment, scripted answers of message
// boxes and file dialogs, and scripted child programs, and read back what the
// code under test did. Only host builds link the sim backend.
//
// The simulation follows the platform where the code above relies on it:
// registry error codes (missing key: kErrorFileNotFound; small buffer:
// kErrorMoreData with the size needed), predefined roots 0x80000000 to
// 0x80000006 (any other unknown handle: kErrorInvalidHandle), case-insensitive
// file and key names, wildcard listings that return "." and ".." for
// subfolders and hidden and system entries, and code page 1252 as ANSI code
// page (850 as OEM code page). The contract suite (tests/contract) runs the
// same cases on the simulation and on the real platform.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::sim {

// Back to a fresh machine: empty registry except the predefined roots; file
// system with the drive "C:\" and the empty system folder (kSystemFolder)
// only; no environment variables; current directory "C:\"; module path
// "C:\Setup\DravelinInstall.exe", started by that path in quotes with no
// arguments, on 32-bit Windows, as SYSTEM in session 0; no scripted
// answers; pointer kPointerDefault; all logs and counters empty.
void Reset();

// ---------------------------------------------------------------- registry
struct RegValue {
  Dword type = 0;
  std::string data;  // the stored bytes
};
// Creates the key (and every missing key above it) under a predefined root.
void AddKey(HKey root, const std::string& path);
// Stores a value (creating keys as needed), bytes as given: no NUL is added.
void SetValue(HKey root, const std::string& path, const std::string& name, Dword type,
              const std::string& data);
[[nodiscard]] bool KeyExists(HKey root, const std::string& path);
[[nodiscard]] std::optional<RegValue> GetValue(HKey root, const std::string& path,
                                               const std::string& name);
// Value names of a key in the order they were first written.
[[nodiscard]] std::vector<std::string> ValueNames(HKey root, const std::string& path);
// Names of a key's direct subkeys in creation order.
[[nodiscard]] std::vector<std::string> SubKeys(HKey root, const std::string& path);
// Creates the key; from now on opening it with any write access, creating
// keys below it and setting its values fail with kErrorAccessDenied.
void DenyWrites(HKey root, const std::string& path);

// One line per registry value written through RegSetValueExA, in order.
struct RegWrite {
  std::string keyPath;  // full path from the root name, e.g. "HKEY_LOCAL_MACHINE\SOFTWARE\X"
  std::string name;
  Dword type = 0;
  std::string data;
};
[[nodiscard]] const std::vector<RegWrite>& RegWrites();

// ------------------------------------------------------------ call counts
// How often each platform function was called since Reset(), by its name
// ("RegOpenKeyExA", "RegQueryValueExA", ...).
[[nodiscard]] int CallCount(const std::string& function);
// Registry keys, kernel handles (files, processes, threads, printers and
// services) and find handles currently open.
struct OpenObjects {
  int keys = 0;
  int handles = 0;
  int finds = 0;
};
[[nodiscard]] OpenObjects OpenCounts();

// ------------------------------------------------------------ file system
// Paths are absolute ("C:\a\b"); names compare without regard to case and
// keep the case they were created with. Parent folders are created.
void AddFile(const std::string& path, const std::string& content = {},
             Dword attributes = kFileAttributeArchive);
void AddFolder(const std::string& path, Dword attributes = kFileAttributeDirectory);
void AddDrive(const std::string& drive);  // "D:"
void RemovePath(const std::string& path);  // file or folder tree
[[nodiscard]] bool FileExistsAt(const std::string& path);
[[nodiscard]] bool FolderExistsAt(const std::string& path);
[[nodiscard]] std::optional<std::string> FileContent(const std::string& path);
[[nodiscard]] std::optional<Dword> AttributesOf(const std::string& path);
// The order in which a wildcard listing of the folder returns its entries
// (names not given follow in creation order). Default: creation order, with
// "." and ".." first for every folder but a drive root.
void SetListingOrder(const std::string& folder, const std::vector<std::string>& names);
// Every FindNextFileA call after the nth successful one fails with
// kErrorInvalidHandle (not kErrorNoMoreFiles). Negative: never (default).
void FailFindNextAfter(int n);
// The file is open elsewhere: deleting it fails with kErrorSharingViolation.
void LockFile(const std::string& path);
// Creating files or folders directly in this folder fails with kErrorAccessDenied.
void DenyCreateIn(const std::string& folder);
// Reading this path's attributes fails (kInvalidFileAttributes,
// kErrorAccessDenied), while the listing still returns it.
void HideAttributes(const std::string& path);
// Every file and folder, one per line as
// "<path>|<attributes hex>|<content>|<owner>|<DACL set>|<link target>",
// sorted: for comparing the state before and after a run.
[[nodiscard]] std::string DumpFiles();
// The whole registry, one value per line, sorted, for the same purpose.
[[nodiscard]] std::string DumpRegistry();

// ------------------------------------------------------- process environment
void SetEnv(const std::string& name, std::optional<std::string> value);
void SetModulePath(const std::string& path);
// What GetCommandLineA answers (default: the module path in double quotes).
void SetCommandLine(const std::string& commandLine);
// What GetNativeSystemInfo reports (default kProcessorArchitectureIntel).
void SetNativeArchitecture(Word architecture);
void SetCurrentDir(const std::string& path);
// What GetVersionExA reports (default 5.1, build 2600, "Service Pack 3").
void SetWindowsVersion(const OsVersionInfo& version);
// Whether the process's window station has WSF_VISIBLE (default true, as in
// an interactive session; false as in a service's window station).
void SetWindowStationVisible(bool visible);
// Whether CheckAdministratorsMembership finds the group (default true).
void SetAdministrator(bool member);
// GetTickCount starts at 1000 and advances only by this call. GetLocalTime
// always reports 2026-01-02 03:04:05.678.
void AdvanceTickCount(Dword milliseconds);
[[nodiscard]] std::string CurrentDir();

// ------------------------------------------------------------- user interface
struct MessageBoxCall {
  Hwnd owner = 0;
  std::string text;
  std::string caption;
  Dword style = 0;
  int pointer = 0;  // the application pointer while the box was shown
};
// Answers for the next message boxes, in order. A box with no answer queued
// is answered kIdCancel and counted in UnscriptedPrompts().
void QueueMessageBoxAnswer(int answer);
[[nodiscard]] const std::vector<MessageBoxCall>& MessageBoxes();

struct DialogCall {
  bool save = false;
  Dword structSize = 0;
  Hwnd owner = 0;
  std::intptr_t instance = 0;
  std::string filter;  // every byte up to and including the closing double NUL
  bool customFilterNull = true;
  Dword filterIndex = 0;
  std::string fileBuffer;  // the whole buffer as passed in, maxFile bytes
  Dword maxFile = 0;
  bool fileTitleNull = true;
  std::string initialDir;
  bool initialDirNull = true;
  std::string title;
  Dword flags = 0;
  std::string defExt;
  std::intptr_t custData = 0;
  bool hookNull = true;
  bool templateNameNull = true;
  int pointer = 0;
  std::string currentDir;  // the process's current directory at the call
};
// The next dialog: nullopt cancels; a path is written into the file buffer
// (the dialog fails, like the real one, when it does not fit) and nFileOffset
// set to the start of its last component. browseTo, when not empty, becomes
// the current directory, as browsing in the real dialog may do.
void QueueDialogChoice(std::optional<std::string> path, const std::string& browseTo = {});
[[nodiscard]] const std::vector<DialogCall>& Dialogs();

struct ShellExecuteCall {
  Hwnd window = 0;
  std::string operation, file, parameters, directory;
  int showCommand = 0;
};
[[nodiscard]] const std::vector<ShellExecuteCall>& ShellExecutes();

// Pointer codes in the order they were set.
[[nodiscard]] const std::vector<int>& PointerHistory();
// SetApplicationPointer fails from now on.
void FailPointer(bool fail);

// Prompts shown without a scripted answer (message boxes and dialogs).
[[nodiscard]] int UnscriptedPrompts();

// --------------------------------------------------------------- processes
// A scripted child program: called once when CreateProcessA starts it, with
// the whole command line; it may change the simulated machine and answers
// its exit code.
using Program = std::function<Dword(const std::string& commandLine)>;
// Registers a program by its path ("C:\Setup\printer\setup.exe") or bare
// name ("RUNDLL32", ".exe" implied). CreateProcessA takes the command line's
// first token (quoted, or up to the first blank); a token without a folder
// matches bare names, a token with a folder matches the registered path when
// a file exists there. Batch files (.cmd, .bat) that exist in the file
// system run the program registered as "cmd". waits: how many waits on the
// process time out before it ends (0: it has ended at the first one); only
// zero-timeout polls time out, a wait with a timeout lasts until it has ended.
// Registering the same path or name again replaces the program. A program
// with waits kNeverEnds runs until TerminateProcess ends it: a wait with a
// timeout times out (and the tick count advances by it), a wait without
// one fails (kWaitFailed) instead of hanging the test. Started with an
// application name, the program is the one at that path (a path in
// kSystemFolder names the bare-named program), and the callback runs with
// the process's current directory set to the one the call gave.
constexpr int kNeverEnds = -1;
void AddProgram(const std::string& pathOrName, Program program, int waits = 0);

struct ProcessCall {
  std::string commandLine;
  bool inheritHandles = false;
  Dword creationFlags = 0;
  Dword startupCb = 0;
  Dword startupFlags = 0;
  Word showWindow = 0;
  bool started = false;
  int pointer = 0;
  std::string applicationName;   // "" for null
  std::string currentDirectory;  // "" for null
  Dword blockingWait = 0;        // the timeout of the first wait that blocked on it; 0: none
  bool terminated = false;       // ended by TerminateProcess
};
[[nodiscard]] const std::vector<ProcessCall>& Processes();

// The number of waits (WaitForSingleObject and MsgWaitForMultipleObjects)
// made on process handles since Reset(), and how many of them had a
// non-zero timeout.
[[nodiscard]] int ProcessWaits();
[[nodiscard]] int BlockingProcessWaits();

// ---------------------------------------------------------------- spooler
// The spooler's printers. A printer added here (as PrintUIEntry /if leaves
// it) also gets its key below the printers' key (HKLM\SYSTEM\...\Print\Printers)
// with the values "Name", "Port" and "Printer Driver", as the
// spooler writes them; DeletePrinter removes the printer and its whole key.
// OpenPrinterA fails with kRpcServerUnavailable while the service "Spooler"
// does not run, and with kErrorInvalidPrinterName for a name it does not
// know (a key in the registry alone is no printer).
struct Printer {
  std::string name, port, driver;
};
void AddPrinter(const std::string& name, const std::string& port, const std::string& driver);
[[nodiscard]] std::vector<Printer> Printers();
// DeletePrinter fails with this error from now on (0: it works again).
void FailDeletePrinter(Dword error);

// -------------------------------------------------------- service manager
// The services of the simulated service manager. Reset() leaves one:
// "Spooler", running, without dependents. A stop or a start request puts a
// service into its pending state for one second of the tick count (which
// Sleep advances), then into its new state; a service runs only once the
// services it depends on run, and StartServiceA starts those first.
// Adds (or replaces) a service, running or stopped.
void AddService(const std::string& name, bool running, const std::vector<std::string>& dependsOn = {});
// A start of the service ends in SERVICE_STOPPED again (exit code 1067).
void FailServiceStart(const std::string& name);
// A stop of the service never leaves SERVICE_STOP_PENDING.
void HangServiceStop(const std::string& name);
// The service's current state (kServiceRunning, ...); 0 for an unknown name.
[[nodiscard]] Dword ServiceState(const std::string& name);
// The stop and start requests accepted, in order: "stop Spooler", "start W3SVC".
[[nodiscard]] const std::vector<std::string>& ServiceControls();

// ------------------------------------------------------------------ safety
// The system folder GetSystemDirectoryA reports; it exists on every fresh
// machine, and the bare-named programs are the ones in it.
constexpr char kSystemFolder[] = "C:\\WINDOWS\\system32";
// The owner of a file or folder: entries the test adds belong to
// Administrators ("S-1-5-32-544"), entries the code creates to the account
// the process runs as.
void SetOwner(const std::string& path, const std::string& sid);
// The DACL of a file or folder (default: DefaultDacl in sim_state.h).
void SetDacl(const std::string& path, const std::vector<Ace>& dacl);
// Owner and DACL of an entry (the entry itself, a link not followed).
[[nodiscard]] std::optional<SecurityInfo> SecurityOf(const std::string& path);
// A link (a junction, or a symbolic link to a file) at path, to target: it
// reads as FILE_ATTRIBUTE_REPARSE_POINT, and a path through it leads to the
// target, its last component unless FILE_FLAG_OPEN_REPARSE_POINT says not to.
void AddLink(const std::string& path, const std::string& target, bool folder = true);
// The number of hard links of a file (default 1).
void SetLinkCount(const std::string& path, Dword links);
// The account the process runs as (default "S-1-5-18", SYSTEM).
void SetUserSid(const std::string& sid);
// The session of the process (default 0, the console session of Windows XP).
void SetSessionId(Dword session);
// GetUserObjectFlags fails (kErrorAccessDenied) from now on.
void FailWindowStationQuery(bool fail);
// What SetRedirectionTrustPolicy answers (default kErrorProcNotFound, as on
// Windows XP; 0: the mitigation is on).
void SetRedirectionTrustAnswer(Dword answer);
// The process's error mode as SetErrorMode last set it (default 0).
[[nodiscard]] Dword ErrorMode();

}  // namespace platform::sim
