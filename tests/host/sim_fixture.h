// The fixture of every host test that touches the simulated platform: a
// fresh machine before the test, and afterwards the check that the code
// under test closed every registry key, kernel handle and find handle it
// opened.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/sim.h"

namespace host_test {

namespace sim = platform::sim;

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { ExpectNothingOpen(); }

  // A fresh machine for the next case of a table, after checking the last.
  void NextCase() {
    ExpectNothingOpen();
    sim::Reset();
  }

 private:
  static void ExpectNothingOpen() {
    const sim::OpenObjects open = sim::OpenCounts();
    EXPECT_EQ(open.keys, 0) << "registry keys left open";
    EXPECT_EQ(open.handles, 0) << "handles left open";
    EXPECT_EQ(open.finds, 0) << "find handles left open";
  }
};

}  // namespace host_test
