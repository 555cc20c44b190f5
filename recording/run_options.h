// Command line of the headless runner.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace recording {

struct Options {
  std::string data_dir = ".";
  std::optional<long long> frames;  // stop after this many frames; none = run until the game ends
  std::optional<uint32_t> start_tick;  // none: the script's, else 0
  std::string script_path;
  std::string trace_path;
  std::string capture_dir;
  std::vector<std::pair<long long, long long>> capture_ranges;  // inclusive frame ranges
  long long capture_every = 0;                                  // 0 = not by interval
  std::string audio_path;
  std::optional<uint64_t> random_seed;
  bool capture_presents = false;  // also every page shown within a captured frame
  bool help = false;

  // True when the page after `frame` is to be written.
  bool CaptureFrame(long long frame) const;
};

// Fills `options` from the arguments (without the program name). On a bad argument returns
// false with a one-line reason in `error`.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);

// "0,100,250-260" into inclusive ranges; false if malformed.
bool ParseFrameList(const std::string& text, std::vector<std::pair<long long, long long>>* out);

extern const char kUsage[];

}  // namespace recording
