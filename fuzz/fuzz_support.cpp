#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/headless/headless_host.h"
#include "host/host.h"

namespace fuzz {

namespace {

std::string scratch_path;

void RemoveScratch() {
  std::remove(scratch_path.c_str());
}

}  // namespace

void InstallHost() {
  static host::headless::HeadlessHost headless;
  host::Install(&headless);
}

const char* WriteInput(const uint8_t* data, size_t size) {
  if (scratch_path.empty()) {
    // Forked workers (-jobs) each get their own file.
    const char* dir = std::getenv("TMPDIR");
    scratch_path = std::string(dir && *dir ? dir : "/tmp") + "/ferrowyn-fuzz-" +
                   std::to_string(getpid()) + ".bin";
    std::atexit(RemoveScratch);
  }
  std::FILE* file = std::fopen(scratch_path.c_str(), "wb");
  if (!file) std::abort();
  if (size && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  return scratch_path.c_str();
}

}  // namespace fuzz
