// The simulated machine: one state object that every function of the sim
// backend reads and changes, and that sim::Reset() replaces by a fresh one.
// Internal to platform/sim/.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace platform::sim::detail {

// Error codes the public header does not name.
constexpr Dword kErrorBadExeFormat = 193;
constexpr Dword kErrorBadNetpath = 53;
constexpr Dword kErrorBadPathname = 161;
constexpr Dword kErrorDirNotEmpty = 145;
constexpr Dword kErrorEnvvarNotFound = 203;
constexpr Dword kErrorInvalidWindowHandle = 1400;
constexpr Dword kErrorInvalidCursorHandle = 1402;
constexpr Dword kStillActive = 259;

// A registry key or a file-system entry: a named node of a tree whose
// children keep their creation order.
template <typename Self>
struct TreeNode {
  std::string name;  // as created; roots carry "HKEY_..." or "C:"
  Self* parent = nullptr;
  std::vector<std::shared_ptr<Self>> children;

  std::shared_ptr<Self> Child(const std::string& childName) const;
  // The child of that name, created (with the given template) when missing.
  std::shared_ptr<Self> AddChild(const std::string& childName, const Self& blank = Self());
};

struct Value {
  std::string name;
  Dword type = 0;
  std::string data;
};

struct Key : TreeNode<Key> {
  int root = 0;  // index 0..6 of the predefined root the key lies below
  std::vector<Value> values;  // order of first write
  bool denyWrites = false;

  Value* FindValue(const std::string& valueName);
  void Store(const std::string& valueName, Dword type, const std::string& data);
};

struct Node : TreeNode<Node> {
  bool folder = false;
  Dword attributes = 0;  // as stored; 0 reads as FILE_ATTRIBUTE_NORMAL
  std::string content;
  std::vector<std::string> listingOrder;
  bool locked = false;
  bool denyCreate = false;
  bool hideAttributes = false;
  // Security: the owner's SID, the DACL (none set: DefaultDacl()) and its
  // control bits; a link (junction or symbolic link) leads to linkTarget;
  // links counts the hard links of a file.
  std::string owner = "S-1-5-32-544";
  std::optional<std::vector<Ace>> dacl;
  Word daclControl = 0;
  std::string linkTarget;
  Dword links = 1;
};

// The attributes the platform reports for an entry.
inline Dword ReportedAttributes(const Node& node) {
  const Dword reparse = node.linkTarget.empty() ? 0 : kFileAttributeReparsePoint;
  if (node.folder) return node.attributes | kFileAttributeDirectory | reparse;
  return (node.attributes == 0 && reparse == 0 ? kFileAttributeNormal : node.attributes) | reparse;
}

// The DACL of an entry no one has given one: Administrators and SYSTEM full
// control, Users read and execute, all inherited by files and subfolders, as
// below a folder of Windows' own.
std::vector<Ace> DefaultDacl();

struct OpenFile {
  std::shared_ptr<Node> node;
  Dword access = 0;
  Dword share = 0;
  std::size_t position = 0;
  bool append = false;  // opened for appending only: every write goes to the end
};

struct Find {
  std::vector<FindDataA> entries;
  std::size_t next = 1;  // the first entry went out with FindFirstFileA
};

struct ProgramEntry {
  std::string key;  // full path or bare name, as registered
  bool bare = false;
  Program program;
  int waits = 0;
};

struct Process {
  int remaining = 0;  // waits that still time out; kNeverEnds: until ended
  Dword exitCode = 0;
  std::size_t call = 0;  // its record in processCalls
  Dword id = 0;
};

struct Message {
  Hwnd window = 0;
  Dword message = 0;
};

struct DialogChoice {
  std::optional<std::string> path;
  std::string browseTo;
};

// ------------------------------------------------------- spooler, services
struct SpoolerPrinter {
  std::string name, port, driver;
};

struct Spooler {
  std::vector<SpoolerPrinter> printers;  // in the order they were added
  Dword deleteError = 0;                  // DeletePrinter fails with it; 0: works
  std::map<Handle, std::pair<std::string, Dword>> handles;  // open: printer name, access
};

struct Service {
  std::string name;
  Dword state = kServiceStopped;
  std::vector<std::string> dependsOn;
  bool startFails = false;  // a start ends in SERVICE_STOPPED again
  bool stopHangs = false;   // a stop never leaves SERVICE_STOP_PENDING
  Dword target = 0;         // the state a pending one ends in (0: none)
  Dword pendingUntil = 0;   // the tick count at which it does
  Dword exitCode = 0;
};

struct Services {
  std::vector<Service> services;
  std::map<Handle, std::pair<std::string, Dword>> handles;  // open: service name ("" for the manager), access
  std::vector<std::string> controls;
};

struct State {
  State();

  Dword lastError = 0;
  std::map<std::string, int> calls;
  std::intptr_t nextHandle = 0x100;  // handles and keys, 4 apart like the platform's

  std::shared_ptr<Key> roots[7];
  std::map<HKey, std::pair<std::shared_ptr<Key>, Dword>> keys;  // open key: node, access
  std::vector<RegWrite> regWrites;

  std::map<char, std::shared_ptr<Node>> drives;  // by upper-case letter
  std::string currentDir = "C:\\";
  std::map<Handle, OpenFile> files;
  std::map<Handle, Find> finds;
  int failFindNextAfter = -1;

  std::vector<std::pair<std::string, std::string>> environment;
  std::string modulePath = "C:\\Setup\\DravelinInstall.exe";
  std::optional<std::string> commandLine;  // unset: the module path in quotes
  Word nativeArchitecture = kProcessorArchitectureIntel;
  OsVersionInfo osVersion{5, 1, 2600, "Service Pack 3"};
  bool windowStationVisible = true;
  bool failWindowStationQuery = false;
  bool administrator = true;
  std::string userSid = "S-1-5-18";
  Dword processId = 0x0F00;
  Dword sessionId = 0;
  Dword errorMode = 0;
  Dword redirectionTrustAnswer = kErrorProcNotFound;
  Dword tickCount = 1000;

  std::vector<int> messageBoxAnswers;
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<DialogChoice> dialogChoices;
  std::vector<DialogCall> dialogs;
  std::vector<ShellExecuteCall> shellExecutes;
  int pointer = kPointerDefault;
  std::vector<int> pointerHistory;
  bool failPointer = false;
  int unscriptedPrompts = 0;

  std::vector<ProgramEntry> programs;
  std::vector<ProcessCall> processCalls;
  std::map<Handle, std::shared_ptr<Process>> processes;
  std::map<Handle, std::shared_ptr<Process>> threads;
  Dword nextProcessId = 0x1000;
  int processWaits = 0;
  int blockingProcessWaits = 0;
  std::vector<Message> messages;
  std::map<Hwnd, std::map<Dword, int>> windows;  // live windows: messages received
  std::uint64_t cpuTime = 0;

  // The spooler's printers and the service manager; "Spooler" runs.
  Spooler spooler;
  Services services{{Service{"Spooler", kServiceRunning, {}, false, false, 0, 0, 0}}, {}, {}};
};

State& Machine();
// Counts a call of the named platform function.
void Count(const char* function);
// Sets the last error; answers false, for "return Fail(code);".
bool Fail(Dword code);
std::intptr_t NewHandleValue();

// Upper-cases ASCII and the letters of code page 1252, so that names compare
// without regard to case as the registry and the file system compare them.
std::string Fold(const std::string& text);
bool SameName(const std::string& a, const std::string& b);
// The parts of a path between separators; empty parts are dropped.
std::vector<std::string> SplitPath(const std::string& path, char separator);

// Registry: the predefined root's index 0..6, or -1.
int RootIndex(HKey key);
// The key below a predefined root, or null.
std::shared_ptr<Key> FindKey(HKey root, const std::string& path);
std::string KeyPath(const Key& key);  // "HKEY_LOCAL_MACHINE\SOFTWARE\X"

// File system.
struct Resolved {
  Dword error = 0;                 // 0: the path is well-formed and its parent exists
  std::vector<std::string> parts;  // components below the drive root
  std::shared_ptr<Node> parent;    // the folder that holds the last part
  std::shared_ptr<Node> node;      // the entry itself, when it exists
  std::string full;                // normalised full path, as spelled by the caller
  bool trailingSeparator = false;  // the path ended in "\" or "/"
};
// Full path resolution as GetFullPathName does it: "/" and "\" separate,
// "." and ".." are applied, relative paths resolve against the current
// directory, "X:rel" against that drive's current directory.
std::optional<std::string> FullPath(const std::string& path);
Resolved Resolve(const std::string& path);
std::string NodePath(const Node& node);
// Where a link leads: the entry at its target (links followed on, at most a
// few deep), or null when the target is missing. Any other entry: itself.
std::shared_ptr<Node> FollowLink(const std::shared_ptr<Node>& node);
// The folder at a full path, created with every missing level (and drive).
std::shared_ptr<Node> EnsureFolder(const std::string& path);
// Resolves a path for a call that needs an existing entry; false (with the
// last error set) when there is none.
bool Existing(const std::string& path, Resolved* r);
// Takes an entry (never a drive root) out of its folder.
void RemoveNode(const std::shared_ptr<Node>& node);

template <typename Self>
std::shared_ptr<Self> TreeNode<Self>::Child(const std::string& childName) const {
  for (const auto& child : children) {
    if (SameName(child->name, childName)) return child;
  }
  return nullptr;
}

template <typename Self>
std::shared_ptr<Self> TreeNode<Self>::AddChild(const std::string& childName, const Self& blank) {
  if (auto existing = Child(childName)) return existing;
  auto child = std::make_shared<Self>(blank);
  child->name = childName;
  child->parent = static_cast<Self*>(this);
  children.push_back(child);
  return child;
}

}  // namespace platform::sim::detail
