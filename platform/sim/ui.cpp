// Simulated user interface: message boxes, the common file dialogs, the
// shell and the application-wide pointer answer from scripts and are logged.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {

// The filter list: pairs of texts, each closed by a NUL, the list closed by
// an empty text, so it ends at the first double NUL.
std::string FilterBytes(const char* filter) {
  if (filter == nullptr) return {};
  std::size_t n = 0;
  while (!(filter[n] == '\0' && filter[n + 1] == '\0')) ++n;
  return std::string(filter, n + 2);
}

bool ShowFileDialog(OpenFileNameA* record, bool save) {
  State& m = Machine();
  sim::DialogCall call;
  call.save = save;
  call.structSize = record->structSize;
  call.owner = record->owner;
  call.instance = record->instance;
  call.filter = FilterBytes(record->filter);
  call.customFilterNull = record->customFilter == nullptr;
  call.filterIndex = record->filterIndex;
  if (record->file != nullptr) call.fileBuffer.assign(record->file, record->maxFile);
  call.maxFile = record->maxFile;
  call.fileTitleNull = record->fileTitle == nullptr;
  call.initialDirNull = record->initialDir == nullptr;
  if (record->initialDir != nullptr) call.initialDir = record->initialDir;
  if (record->title != nullptr) call.title = record->title;
  call.flags = record->flags;
  if (record->defExt != nullptr) call.defExt = record->defExt;
  call.custData = record->custData;
  call.hookNull = record->hook == nullptr;
  call.templateNameNull = record->templateName == nullptr;
  call.pointer = m.pointer;
  call.currentDir = m.currentDir;
  m.dialogs.push_back(call);

  if (record->structSize != kOpenFileNameSize || record->file == nullptr || record->maxFile == 0) {
    return false;  // CDERR_STRUCTSIZE / FNERR_INVALIDFILENAME
  }
  if (m.dialogChoices.empty()) {
    ++m.unscriptedPrompts;
    return false;
  }
  const DialogChoice choice = m.dialogChoices.front();
  m.dialogChoices.erase(m.dialogChoices.begin());
  if (!choice.browseTo.empty()) {
    if (const auto full = FullPath(choice.browseTo)) m.currentDir = *full;
  }
  if (!choice.path) return false;
  const std::string& path = *choice.path;
  if (path.size() + 1 > record->maxFile) {
    // FNERR_BUFFERTOOSMALL: the first two bytes hold the size needed.
    if (record->maxFile >= 2) {
      const auto needed = static_cast<Word>(path.size() + 1);
      record->file[0] = static_cast<char>(needed & 0xFF);
      record->file[1] = static_cast<char>(needed >> 8);
    }
    return false;
  }
  std::memcpy(record->file, path.c_str(), path.size() + 1);
  const std::size_t slash = path.rfind('\\');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  record->fileOffset = static_cast<Word>(nameStart);
  // The extension's start, or the closing NUL when the name has none.
  const std::size_t dot = path.rfind('.');
  record->fileExtension =
      static_cast<Word>(dot == std::string::npos || dot < nameStart ? path.size() : dot + 1);
  return true;
}

}  // namespace

int MessageBoxA(Hwnd owner, const std::string& text, const std::string& caption, Dword style) {
  Count("MessageBoxA");
  State& m = Machine();
  m.messageBoxes.push_back(sim::MessageBoxCall{owner, text, caption, style, m.pointer});
  if (m.messageBoxAnswers.empty()) {
    ++m.unscriptedPrompts;
    return kIdCancel;
  }
  const int answer = m.messageBoxAnswers.front();
  m.messageBoxAnswers.erase(m.messageBoxAnswers.begin());
  return answer;
}

std::intptr_t ShellExecuteA(Hwnd window, const std::string& operation, const std::string& file,
                            const std::string& parameters, const std::string& directory,
                            int showCommand) {
  Count("ShellExecuteA");
  Machine().shellExecutes.push_back(
      sim::ShellExecuteCall{window, operation, file, parameters, directory, showCommand});
  return 42;
}

bool GetOpenFileNameA(OpenFileNameA* record) {
  Count("GetOpenFileNameA");
  return ShowFileDialog(record, false);
}

bool GetSaveFileNameA(OpenFileNameA* record) {
  Count("GetSaveFileNameA");
  return ShowFileDialog(record, true);
}

bool SetApplicationPointer(int pointerCode) {
  Count("SetApplicationPointer");
  State& m = Machine();
  if (m.failPointer || (pointerCode != kPointerDefault && pointerCode != kPointerHourglass)) {
    return Fail(kErrorInvalidCursorHandle);
  }
  m.pointer = pointerCode;
  m.pointerHistory.push_back(pointerCode);
  return true;
}

namespace sim {

void QueueMessageBoxAnswer(int answer) { Machine().messageBoxAnswers.push_back(answer); }
const std::vector<MessageBoxCall>& MessageBoxes() { return Machine().messageBoxes; }
void QueueDialogChoice(std::optional<std::string> path, const std::string& browseTo) {
  Machine().dialogChoices.push_back(DialogChoice{std::move(path), browseTo});
}
const std::vector<DialogCall>& Dialogs() { return Machine().dialogs; }
const std::vector<ShellExecuteCall>& ShellExecutes() { return Machine().shellExecutes; }
const std::vector<int>& PointerHistory() { return Machine().pointerHistory; }
void FailPointer(bool fail) { Machine().failPointer = fail; }
int UnscriptedPrompts() { return Machine().unscriptedPrompts; }

}  // namespace sim
}  // namespace platform
