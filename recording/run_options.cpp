#include "recording/run_options.h"

#include <charconv>
#include <limits>

namespace recording {

const char kUsage[] =
    "Usage: ferrowyn-headless [options]\n"
    "Plays the game on the headless host: virtual clock, scripted input, no window.\n"
    "\n"
    "  --data DIR              folder with the twelve data files (default: the current\n"
    "                          folder, else the program's, else the installed data)\n"
    "  --frames N              stop after N frames (default: the script's frames line,\n"
    "                          else until the game quits)\n"
    "  --start-tick T          first reading of the millisecond clock (default: the\n"
    "                          script's start-tick, else 0)\n"
    "  --script FILE           input events, one a line (see below)\n"
    "  --replay FILE           the same: a recording (ferrowyn --record) is a script; its\n"
    "                          checksums are checked, and a divergence fails the run\n"
    "  --trace FILE            the world state after every frame, one JSON object a line\n"
    "  --capture DIR           write the visible page after chosen frames as PNG files\n"
    "  --capture-frames LIST   frames to capture, e.g. 0,100,250-260\n"
    "  --capture-every K       capture every K-th frame (0, K, 2K, ...)\n"
    "  --capture-presents      also every page shown within a captured frame (a fade, say),\n"
    "                          as frame-NNNNNN-present-KKK.png\n"
    "  --audio FILE            the mixed sound as a 16-bit stereo WAV file\n"
    "  --random-input SEED     random presses of the game's keys (soak runs)\n"
    "  --help                  this text\n"
    "\n"
    "Script lines (# starts a comment; frames count from 0, the first frame;\n"
    "an event at frame n takes effect before frame n runs):\n"
    "  joystick \"Name\"          a joystick is attached, with this name\n"
    "  <n> down KEY | <n> up KEY | <n> tap KEY\n"
    "      KEY: a DirectInput key name, any case: ESCAPE F1..F15 SPACE RETURN LCONTROL\n"
    "           RCONTROL UP DOWN LEFT RIGHT LSHIFT RSHIFT TAB BACK A..Z 0..9 NUMPAD0..9 ...\n"
    "  <n> axis x|y VALUE       joystick axis, -16..16\n"
    "  <n> button B down|up     joystick button 0..31\n"
    "  <n> check HEX            the world's checksum before frame n (recordings)\n"
    "  version 1 | start-tick T | frames N   a recording's format, clock and length\n";

namespace {

template <typename T>
bool ParseNumber(const std::string& text, T min, T max, T* out) {
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty() || value < min || value > max) return false;
  *out = value;
  return true;
}

}  // namespace

bool ParseFrameList(const std::string& text, std::vector<std::pair<long long, long long>>* out) {
  constexpr long long kMax = std::numeric_limits<long long>::max();
  std::vector<std::pair<long long, long long>> ranges;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string item = text.substr(start, comma - start);
    size_t dash = item.find('-');
    long long first = 0, last = 0;
    if (dash == std::string::npos) {
      if (!ParseNumber<long long>(item, 0, kMax, &first)) return false;
      last = first;
    } else if (!ParseNumber<long long>(item.substr(0, dash), 0, kMax, &first) ||
               !ParseNumber<long long>(item.substr(dash + 1), first, kMax, &last)) {
      return false;
    }
    ranges.emplace_back(first, last);
    start = comma + 1;
  }
  *out = std::move(ranges);
  return true;
}

bool Options::CaptureFrame(long long frame) const {
  if (capture_dir.empty()) return false;
  if (capture_every > 0 && frame % capture_every == 0) return true;
  for (const auto& [first, last] : capture_ranges) {
    if (frame >= first && frame <= last) return true;
  }
  return false;
}

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error) {
  Options o;
  bool have_frame_list = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o.help = true;
      continue;
    }
    if (name == "--capture-presents") {
      o.capture_presents = true;
      continue;
    }
    static const char* const kWithValue[] = {
        "--data",    "--frames",         "--start-tick",    "--script", "--replay",      "--trace",
        "--capture", "--capture-frames", "--capture-every", "--audio",  "--random-input"};
    bool known = false;
    for (const char* option : kWithValue) known = known || name == option;
    if (!known) {
      *error = "unknown option '" + name + "' (see --help)";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = "option " + name + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (name == "--data") {
      o.data_dir = value;
    } else if (name == "--frames") {
      long long n = 0;
      ok = ParseNumber<long long>(value, 1, std::numeric_limits<long long>::max(), &n);
      o.frames = n;
    } else if (name == "--start-tick") {
      uint32_t tick = 0;
      ok = ParseNumber<uint32_t>(value, 0, std::numeric_limits<uint32_t>::max(), &tick);
      o.start_tick = tick;
    } else if (name == "--script" || name == "--replay") {
      o.script_path = value;
    } else if (name == "--trace") {
      o.trace_path = value;
    } else if (name == "--capture") {
      o.capture_dir = value;
    } else if (name == "--capture-frames") {
      ok = ParseFrameList(value, &o.capture_ranges);
      have_frame_list = true;
    } else if (name == "--capture-every") {
      ok =
          ParseNumber<long long>(value, 1, std::numeric_limits<long long>::max(), &o.capture_every);
    } else if (name == "--audio") {
      o.audio_path = value;
    } else {
      uint64_t seed = 0;
      ok = ParseNumber<uint64_t>(value, 0, std::numeric_limits<uint64_t>::max(), &seed);
      o.random_seed = seed;
    }
    if (!ok || value.empty()) {
      *error = "bad value '" + value + "' for " + name;
      return false;
    }
  }
  if (!o.capture_dir.empty() && !have_frame_list && o.capture_every == 0) {
    *error = "--capture needs --capture-frames or --capture-every";
    return false;
  }
  if (o.capture_dir.empty() && (have_frame_list || o.capture_every > 0 || o.capture_presents)) {
    *error = "--capture-frames, --capture-every and --capture-presents need --capture DIR";
    return false;
  }
  *options = std::move(o);
  return true;
}

}  // namespace recording
