// A path in the test's temporary folder that no other test process uses: CTest runs the
// tests of one program in parallel processes, which must not share scratch files.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

inline std::string TempPath(const std::string& name) {
  return testing::TempDir() + "ferrowyn-" + std::to_string(getpid()) + "-" + name;
}
