// The owners of platform resources keep the caller's last-error value when
// they close: code reads GetLastError after a failed call while an owner of
// an earlier handle goes out of scope. On the simulated machine closing an
// unknown handle fails and sets its own code, which must not get through.
#include <gtest/gtest.h>

#include "platform/owners.h"
#include "tests/host/sim_fixture.h"

namespace {

using platform::GetLastError;
using platform::SetLastError;

constexpr platform::Dword kSentinel = 0xdeadbeef;
constexpr platform::Handle kUnknown = 0x4711;  // no handle of the machine's

using Owners = host_test::SimTest;

TEST_F(Owners, ClosingKeepsTheCallersLastError) {
  // Closing an unknown handle fails with a code of its own ...
  SetLastError(kSentinel);
  EXPECT_FALSE(platform::CloseHandle(kUnknown));
  EXPECT_EQ(GetLastError(), static_cast<platform::Dword>(platform::kErrorInvalidHandle));
  // ... which the owners keep from the caller.
  SetLastError(kSentinel);
  {
    platform::UniqueHandle handle(kUnknown);
    platform::UniqueFind find(kUnknown);
    find.Reset(kUnknown);
    EXPECT_EQ(GetLastError(), kSentinel) << "Reset";
  }
  EXPECT_EQ(GetLastError(), kSentinel) << "destructors";
}

}  // namespace
