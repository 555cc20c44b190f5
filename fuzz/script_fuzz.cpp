// The headless runner's input scripts.
#include <string>

#include "tools/headless/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  runner::Script script;
  std::string error;
  runner::ParseScript(text, "fuzz", &script, &error);
  return 0;
}
