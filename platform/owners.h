// Move-only owners of platform resources: registry keys, kernel handles,
// find handles, printer and service handles, and the two handles of a
// started process. Each closes what it owns in its destructor, keeping the
// caller's last-error value intact.
#pragma once

#include <utility>

#include "platform/platform.h"

namespace platform {

namespace detail {

struct KeyTraits {
  using Value = HKey;
  static bool IsValid(HKey key) { return key != 0; }
  static void Close(HKey key) { RegCloseKey(key); }
};

struct HandleTraits {
  using Value = Handle;
  static bool IsValid(Handle h) { return h != 0 && h != kInvalidHandle; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct PrinterTraits {
  using Value = Handle;
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { ClosePrinter(h); }
};

struct ServiceTraits {
  using Value = Handle;
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { CloseServiceHandle(h); }
};

struct FindTraits {
  using Value = Handle;
  static bool IsValid(Handle h) { return h != 0 && h != kInvalidHandle; }
  static void Close(Handle h) { FindClose(h); }
};

template <typename Traits>
class Owner {
 public:
  using Value = typename Traits::Value;

  Owner() = default;
  explicit Owner(Value value) : value_(value) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& other) noexcept : value_(other.Take()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ~Owner() { Close(); }

  [[nodiscard]] bool IsValid() const { return Traits::IsValid(value_); }
  [[nodiscard]] Value Get() const { return value_; }
  // For out-parameters of the platform's open calls: closes what is held first.
  Value* Receive() {
    Close();
    return &value_;
  }
  // Gives up ownership without closing.
  [[nodiscard]] Value Take() { return std::exchange(value_, Value{}); }
  void Reset(Value value) {
    Close();
    value_ = value;
  }
  void Close() {
    if (Traits::IsValid(value_)) {
      const Dword saved = GetLastError();
      Traits::Close(value_);
      SetLastError(saved);
    }
    value_ = Value{};
  }

 private:
  Value value_{};
};

}  // namespace detail

using UniqueKey = detail::Owner<detail::KeyTraits>;
using UniqueHandle = detail::Owner<detail::HandleTraits>;
using UniqueFind = detail::Owner<detail::FindTraits>;
// A printer handle of the spooler (ClosePrinter).
using UniquePrinter = detail::Owner<detail::PrinterTraits>;
// A handle of the service manager or of one of its services (CloseServiceHandle).
using UniqueService = detail::Owner<detail::ServiceTraits>;

// The process and thread handles of a started program.
class ProcessHandles {
 public:
  ProcessHandles() = default;
  explicit ProcessHandles(const ProcessInformation& info)
      : process_(info.process), thread_(info.thread) {}
  [[nodiscard]] Handle process() const { return process_.Get(); }
  [[nodiscard]] Handle thread() const { return thread_.Get(); }
  [[nodiscard]] bool IsValid() const { return process_.IsValid(); }
  void Close() {
    process_.Close();
    thread_.Close();
  }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
};

}  // namespace platform
