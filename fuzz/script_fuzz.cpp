// The headless runner's input scripts.
#include <string>

#include "recording/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  recording::Script script;
  std::string error;
  recording::ParseScript(text, "fuzz", &script, &error);
  return 0;
}
