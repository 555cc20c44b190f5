#include <gtest/gtest.h>

#include "host/headless/headless_host.h"
#include "host/host.h"

// Every test program runs on the headless host unless a test installs its own.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  host::headless::HeadlessHost headless;
  host::Install(&headless);
  return RUN_ALL_TESTS();
}
