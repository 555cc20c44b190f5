#include <gtest/gtest.h>

#include "platform/host/headless_host.h"
#include "platform/host/host.h"

// Every test program runs on the headless host unless a test installs its own.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  host::HeadlessHost headless;
  host::Install(&headless);
  return RUN_ALL_TESTS();
}
