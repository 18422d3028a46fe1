// The contract test program; started with "--contract-child" it is the
// child program of the process cases instead.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/contract/contract_child.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], contract::kChildSwitch) == 0) {
    std::string actions;
    for (int i = 2; i < argc; ++i) {
      if (i > 2) actions += ' ';
      actions += argv[i];
    }
    return static_cast<int>(contract::RunChild(actions));
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
