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
#include "platform/sim.h"

namespace platform::sim::detail {

// Error codes the public header does not name.
constexpr Dword kErrorBadExeFormat = 193;
constexpr Dword kErrorBadNetpath = 53;
constexpr Dword kErrorBadPathname = 161;
constexpr Dword kErrorDirNotEmpty = 145;
constexpr Dword kErrorDirectory = 267;
constexpr Dword kErrorEnvvarNotFound = 203;
constexpr Dword kErrorInvalidWindowHandle = 1400;
constexpr Dword kErrorInvalidCursorHandle = 1402;
constexpr Dword kErrorKeyDeleted = 1018;
constexpr Dword kStillActive = 259;

// ------------------------------------------------------------------ registry
struct Value {
  std::string name;
  Dword type = 0;
  std::string data;
};

struct Key {
  std::string name;  // as created; the roots carry their HKEY_* name
  Key* parent = nullptr;
  int root = 0;  // index 0..6 of the predefined root the key lies below
  std::vector<std::shared_ptr<Key>> children;  // creation order
  std::vector<Value> values;                   // order of first write
  bool deleted = false;
};

struct OpenKey {
  std::shared_ptr<Key> key;
  Dword access = 0;
};

// -------------------------------------------------------------- file system
struct Node {
  std::string name;  // "C:" for a drive root
  Node* parent = nullptr;
  bool folder = false;
  Dword attributes = 0;  // as stored; 0 reads as FILE_ATTRIBUTE_NORMAL
  std::string content;
  std::vector<std::shared_ptr<Node>> children;  // creation order
  std::vector<std::string> listingOrder;
  bool locked = false;
  bool denyCreate = false;
  bool hideAttributes = false;
  bool deleted = false;
};

struct OpenFile {
  std::shared_ptr<Node> node;
  Dword access = 0;
  Dword share = 0;
  std::size_t position = 0;
};

struct Find {
  std::vector<FindDataA> entries;
  std::size_t next = 1;  // the first entry went out with FindFirstFileA
};

// ---------------------------------------------------------------- processes
struct ProgramEntry {
  std::string key;  // full path or bare name, as registered
  bool bare = false;
  Program program;
  int waits = 0;
};

struct Process {
  int remaining = 0;  // waits that still time out
  Dword exitCode = 0;
};

struct Message {
  Hwnd window = 0;
  Dword message = 0;
};

struct DialogChoice {
  std::optional<std::string> path;
  std::string browseTo;
};

struct State {
  Dword lastError = 0;
  std::map<std::string, int> calls;

  std::shared_ptr<Key> roots[7];
  std::map<HKey, OpenKey> keys;
  std::set<std::string> deniedKeys;  // FoldedKeyPath of each key
  std::vector<RegWrite> regWrites;

  std::map<char, std::shared_ptr<Node>> drives;  // by upper-case letter
  std::string currentDir = "C:\\";
  std::map<Handle, OpenFile> files;
  std::map<Handle, Find> finds;
  int failFindNextAfter = -1;
  int findNextSuccesses = 0;

  std::vector<std::pair<std::string, std::string>> environment;
  std::string modulePath = "C:\\Setup\\DravelinInstall.exe";

  std::vector<int> messageBoxAnswers;
  std::size_t nextMessageBoxAnswer = 0;
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<DialogChoice> dialogChoices;
  std::size_t nextDialogChoice = 0;
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
  std::map<Hwnd, std::map<Dword, int>> windows;
  std::set<Hwnd> liveWindows;
  std::vector<Message> messages;
  std::uint64_t cpuTime = 0;

  std::intptr_t nextHandle = 0x100;  // handles and keys, 4 apart like the platform's
};

State& Machine();
// Counts a call of the named platform function.
void Count(const char* function);
// Sets the last error and answers it (for "return Fail(code)").
Dword SetError(Dword code);
std::intptr_t NewHandleValue();

// Upper-cases ASCII and the letters of code page 1252, so that names compare
// without regard to case as the registry and the file system compare them.
std::string Fold(const std::string& text);
bool SameName(const std::string& a, const std::string& b);

// Registry helpers shared with the control functions.
std::shared_ptr<Key> RootOf(HKey key);  // null unless a predefined root
int RootIndex(HKey key);                // -1 unless a predefined root
std::string KeyPath(const Key& key);    // "HKEY_LOCAL_MACHINE\SOFTWARE\X"
std::string FoldedKeyPath(int root, const std::string& path);
std::vector<std::string> SplitKeyPath(const std::string& path);

// File system helpers shared with the control functions.
struct Resolved {
  Dword error = 0;        // 0: the path is well-formed and its parent exists
  char drive = 0;
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
std::shared_ptr<Node> EnsureFolder(const std::string& path);
bool HasWildcards(const std::string& text);

}  // namespace platform::sim::detail
