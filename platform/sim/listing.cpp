// Wildcard listings of the simulated file system: FindFirstFileA and
// FindNextFileA with the platform's matching rules and listing order.
#include <algorithm>

#include "platform/sim/sim_state.h"

namespace platform {

using namespace sim::detail;

namespace {

// The name mask in the platform's matching rules: "*.*" is "*"; "?"
// matches one character but none at a dot or at the end; "*" before a dot
// stops at the name's last dot; a dot before a wildcard or at the end also
// matches the end of the name.
constexpr char kDosStar = '<';
constexpr char kDosQm = '>';
constexpr char kDosDot = '"';

std::string DosExpression(const std::string& nameMask) {
  if (nameMask == "*.*") return "*";
  std::string expression = nameMask;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    const char next = i + 1 < nameMask.size() ? nameMask[i + 1] : '\0';
    if (nameMask[i] == '?') {
      expression[i] = kDosQm;
    } else if (nameMask[i] == '*' && next == '.') {
      expression[i] = kDosStar;
    } else if (nameMask[i] == '.' && (next == '?' || next == '*' || next == '\0')) {
      expression[i] = kDosDot;
    }
  }
  return expression;
}

bool Matches(const std::string& e, std::size_t ei, const std::string& name, std::size_t ni) {
  if (ei == e.size()) return ni == name.size();
  const char c = e[ei];
  if (c == '*' || c == kDosStar) {
    const std::size_t lastDot = name.rfind('.');
    const bool toDot = c == kDosStar && lastDot != std::string::npos && lastDot >= ni;
    for (std::size_t k = ni; k <= (toDot ? lastDot : name.size()); ++k) {
      if (Matches(e, ei + 1, name, k)) return true;
    }
    return false;
  }
  if (c == kDosQm) {
    if (ni < name.size() && name[ni] != '.') return Matches(e, ei + 1, name, ni + 1);
    std::size_t skip = ei;
    while (skip < e.size() && e[skip] == kDosQm) ++skip;
    return Matches(e, skip, name, ni);
  }
  if (c == kDosDot) {
    if (ni == name.size()) return Matches(e, ei + 1, name, ni);
    return name[ni] == '.' && Matches(e, ei + 1, name, ni + 1);
  }
  return ni < name.size() && SameName(std::string(1, c), std::string(1, name[ni])) &&
         Matches(e, ei + 1, name, ni + 1);
}

}  // namespace

Handle FindFirstFileA(const std::string& pattern, FindDataA* data) {
  Count("FindFirstFileA");
  std::string path = pattern;
  std::replace(path.begin(), path.end(), '/', '\\');
  std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos && path.size() >= 2 && path[1] == ':') cut = 1;
  const std::string folderPath = cut == std::string::npos ? "." : path.substr(0, cut + 1);
  const std::string nameMask = cut == std::string::npos ? path : path.substr(cut + 1);
  if (nameMask.empty()) return Fail(kErrorFileNotFound), kInvalidHandle;
  if (nameMask.find('|') != std::string::npos) return Fail(kErrorInvalidName), kInvalidHandle;
  const Resolved r = Resolve(folderPath);
  if (r.error != 0) return Fail(r.error), kInvalidHandle;
  if (!r.node || !r.node->folder) return Fail(kErrorPathNotFound), kInvalidHandle;
  const Node& folder = *r.node;

  // The names set by SetListingOrder first, then ".", ".." (not in a drive
  // root) and the rest in creation order.
  std::vector<FindDataA> all;
  if (folder.parent != nullptr) {
    all.push_back(FindDataA{ReportedAttributes(folder), "."});
    all.push_back(FindDataA{ReportedAttributes(*folder.parent), ".."});
  }
  for (const auto& child : folder.children) all.push_back(FindDataA{ReportedAttributes(*child), child->name});
  std::vector<FindDataA> ordered;
  for (const std::string& name : folder.listingOrder) {
    const auto it = std::find_if(all.begin(), all.end(), [&](const FindDataA& e) { return SameName(e.fileName, name); });
    if (it != all.end()) {
      ordered.push_back(*it);
      all.erase(it);
    }
  }
  ordered.insert(ordered.end(), all.begin(), all.end());

  const std::string expression = DosExpression(nameMask);
  Find find;
  for (const FindDataA& entry : ordered) {
    if (Matches(expression, 0, entry.fileName, 0)) find.entries.push_back(entry);
  }
  if (find.entries.empty()) return Fail(kErrorFileNotFound), kInvalidHandle;
  *data = find.entries.front();
  const Handle handle = NewHandleValue();
  Machine().finds[handle] = std::move(find);
  return handle;
}

bool FindNextFileA(Handle handle, FindDataA* data) {
  Count("FindNextFileA");
  State& m = Machine();
  const auto it = m.finds.find(handle);
  if (it == m.finds.end() || m.failFindNextAfter == 0) return Fail(kErrorInvalidHandle);
  Find& find = it->second;
  if (find.next >= find.entries.size()) return Fail(kErrorNoMoreFiles);
  *data = find.entries[find.next++];
  if (m.failFindNextAfter > 0) --m.failFindNextAfter;
  return true;
}

bool FindClose(Handle handle) {
  Count("FindClose");
  return Machine().finds.erase(handle) != 0 || Fail(kErrorInvalidHandle);
}

void sim::SetListingOrder(const std::string& folder, const std::vector<std::string>& names) {
  if (const auto node = Resolve(folder).node) node->listingOrder = names;
}

void sim::FailFindNextAfter(int n) { Machine().failFindNextAfter = n; }

}  // namespace platform
