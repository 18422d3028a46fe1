// GoogleTest's port settings for this project's Windows builds. The win32
// thread model of MinGW (chosen so that the programs run on Windows XP) has
// a libstdc++ without std::mutex and std::condition_variable; the one class
// GoogleTest builds from them, Notification, is given here on an atomic flag
// and Sleep. Everything else of its thread support uses the Windows API.
#pragma once

#include <atomic>

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) Sleep(1);
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
#endif
