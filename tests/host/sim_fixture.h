// The fixture of every host test that touches the simulated platform: a
// fresh machine before the test, and afterwards the check that the code
// under test closed every registry key, kernel handle and find handle it
// opened.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim.h"

namespace host_test {

namespace sim = platform::sim;

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { ExpectNothingOpen("at the end"); }

  // A fresh machine for the next case of a table, after checking the last
  // (called in a case's scope, the check names the case before it).
  void NextCase() {
    ExpectNothingOpen("by the case before this one");
    sim::Reset();
  }

 private:
  static void ExpectNothingOpen(const char* when) {
    const sim::OpenObjects open = sim::OpenCounts();
    EXPECT_EQ(open.keys, 0) << "registry keys left open " << when;
    EXPECT_EQ(open.handles, 0) << "handles left open " << when;
    EXPECT_EQ(open.finds, 0) << "find handles left open " << when;
  }
};

}  // namespace host_test
