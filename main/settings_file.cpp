#include "main/settings_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "host/common/key_names.h"

namespace program {

using namespace host::common;

namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last + 1 - first);
}

// Text from the file as a warning shows it: bytes that are not printable ASCII escaped, so a
// damaged file cannot send control codes to the terminal, and cut short.
std::string Echo(const std::string& text) {
  constexpr size_t kLongest = 80;
  std::string out;
  for (unsigned char c : text) {
    if (out.size() >= kLongest) return out + "...";
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

// A line without its comment: # at the start or after a space starts one.
std::string WithoutComment(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
      return line.substr(0, i);
  return line;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool ParseInt(const std::string& text, int low, int high, int* out) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

bool ParseYesNo(const std::string& text, bool* out) {
  std::string word = Lower(text);
  if (word == "yes" || word == "true" || word == "on" || word == "1") {
    *out = true;
    return true;
  }
  if (word == "no" || word == "false" || word == "off" || word == "0") {
    *out = false;
    return true;
  }
  return false;
}

bool ParsePadButton(const std::string& text, PadButton* out) {
  std::string word = Lower(text);
  for (int i = 0; i < kPadButtonCount; ++i) {
    if (word == PadButtonName(PadButton(i))) {
      *out = PadButton(i);
      return true;
    }
  }
  return false;
}

// A setting that failed: one warning, and the setting keeps what it had.
struct Reporter {
  const std::string& source;
  std::vector<std::string>* warnings;
  bool clean = true;
  void operator()(int line, const std::string& reason) {
    clean = false;
    warnings->push_back(source + ":" + std::to_string(line) + ": " + reason);
  }
};

const char* ActionNameAt(int i) {
  return ActionName(Action(i));
}
const char* PadActionNameAt(int i) {
  return PadActionName(PadAction(i));
}
const std::vector<uint8_t>& DefaultKeysAt(int i) {
  return DefaultKeys(Action(i));
}
const std::vector<PadButton>& DefaultPadButtonsAt(int i) {
  return DefaultPadButtons(PadAction(i));
}
std::string KeyLabel(uint8_t code) {
  return NameOfScanCode(code);
}
std::string PadLabel(PadButton button) {
  return PadButtonName(button);
}

// The bound keys or buttons as the file names them, separated by spaces.
template <class Item>
std::string Names(const std::vector<Item>& items, std::string (*label)(Item)) {
  std::string out;
  for (Item item : items) {
    if (!out.empty()) out += ' ';
    out += label(item);
  }
  return out;
}

// One setting as the file writes it, with the comment a new file gives it.
struct Field {
  std::string section, name, value;
  const char* comment = "";
};

// Every setting in the order a new file lists them: the reader, the writer and the rewrite
// of the player's file all go by this one list.
std::vector<Field> Fields(const Settings& s) {
  auto yes_no = [](bool value) { return value ? "yes" : "no"; };
  std::vector<Field> fields = {
      {"display", "fullscreen", yes_no(s.fullscreen),
       "# yes: full screen on the whole desktop; no: a window.\n"},
      {"display", "window_size",
       s.window_width ? std::to_string(s.window_width) + "x" + std::to_string(s.window_height)
                      : "auto",
       "# The window's size, WIDTHxHEIGHT, or auto: the largest whole multiple of 800x600\n"
       "# that fits the desktop.\n"},
      {"display", "renderer", s.renderer,
       "# How the picture is scaled: auto (the graphics card where there is one), software\n"
       "# or gpu.\n"},
      {"display", "scaling", kScalingNames[size_t(s.scaling)],
       "# Larger than the page: smooth (sharp whole pixels, then smoothly to fit), whole\n"
       "# (whole pixels only, black borders) or stretch (the whole window).\n"},
      {"sound", "volume", std::to_string(s.volume),
       "# 0 (silent) to 100 (as recorded): everything, and the music alone.\n"},
      {"sound", "music_volume", std::to_string(s.music_volume)},
      {"play", "pause_on_focus_loss", yes_no(s.pause_on_focus_loss),
       "# yes: the game pauses while its window does not have the focus.\n"},
  };
  for (int i = 0; i < kActionCount; ++i)
    fields.push_back(
        {"keys", ActionName(Action(i)), Names(s.keys[i], KeyLabel),
         i ? ""
           : "# Keys by their place on the keyboard, named as on a US keyboard "
             "(ferrowyn --list-keys\n"
             "# lists the names); separate several keys for one action with spaces.\n"});
  for (int i = 0; i < kPadActionCount; ++i)
    fields.push_back(
        {"pad", PadActionName(PadAction(i)), Names(s.pad[i], PadLabel),
         i ? ""
           : "# Gamepad buttons by their place: south east west north back guide start leftstick\n"
             "# rightstick leftshoulder rightshoulder. start starts a game on the title and "
             "pauses\n"
             "# in play; quit ends the game when held for a second.\n"});
  return fields;
}

// Which line set each binding, so that a key bound twice goes to the one the player wrote
// first, and the defaults give way to what the player wrote. An action left with nothing takes
// back whichever of its own default keys no other action holds, so that it can still be done.
template <class Item, size_t N>
void ResolveConflicts(std::array<std::vector<Item>, N>& bindings, const std::array<int, N>& lines,
                      const char* section, const char* (*action_name)(int),
                      std::string (*item_name)(Item), const std::vector<Item>& (*defaults)(int),
                      Reporter& report) {
  std::vector<size_t> order(N);
  for (size_t i = 0; i < N; ++i) order[i] = i;
  // Lines written in the file first, in file order; defaults (line 0) after them.
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return (lines[a] ? lines[a] : 1 << 30) < (lines[b] ? lines[b] : 1 << 30);
  });
  std::map<Item, size_t> owner;
  std::array<int, N> lost_at = {};  // the line that took an action's key, if one did
  for (size_t action : order) {
    std::vector<Item> kept;
    for (Item item : bindings[action]) {
      auto [it, fresh] = owner.emplace(item, action);
      if (fresh) {
        kept.push_back(item);
      } else if (it->second != action) {
        std::string what = std::string(section) + "." + action_name(int(action)) + ": " +
                           item_name(item) + " is bound to " + action_name(int(it->second)) +
                           " already and stays there";
        // A default that gives way is reported at the line that took its key.
        lost_at[action] = lines[action] ? lines[action] : lines[it->second];
        report(lost_at[action], what);
      }
    }
    bindings[action] = kept;
  }
  for (size_t action : order) {
    if (!bindings[action].empty() || !lost_at[action]) continue;
    for (Item item : defaults(int(action)))
      if (owner.emplace(item, action).second) bindings[action].push_back(item);
    std::string what = std::string(section) + "." + action_name(int(action));
    if (bindings[action].empty())
      report(lost_at[action], what + " has no key left");
    else
      report(lost_at[action], what + " keeps " + Names(bindings[action], item_name) + " instead");
  }
}

}  // namespace

bool ParseSettings(const std::string& text, const std::string& source, Settings* settings,
                   std::vector<std::string>* warnings) {
  Reporter report{source, warnings};
  std::array<int, kActionCount> key_lines = {};
  std::array<int, kPadActionCount> pad_lines = {};
  std::istringstream in(text);
  std::string section;
  int number = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++number;
    std::string line = Trim(WithoutComment(raw));
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      section = line.back() == ']' ? Lower(Trim(line.substr(1, line.size() - 2))) : "";
      if (section != "display" && section != "sound" && section != "play" && section != "keys" &&
          section != "pad") {
        report(number, "unknown section " + Echo(line) + " (its lines are skipped)");
        section = "?";
      }
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      report(number, "expected 'name = value', got '" + Echo(line) + "'");
      continue;
    }
    if (section == "?") continue;
    std::string name = Lower(Trim(line.substr(0, equals)));
    std::string value = Trim(line.substr(equals + 1));
    std::string full = section.empty() ? name : section + "." + name;
    auto bad = [&](const std::string& expected) {
      report(number, Echo(full) + ": expected " + expected + ", got '" + Echo(value) + "'");
    };

    if (full == "display.fullscreen") {
      if (!ParseYesNo(value, &settings->fullscreen)) bad("yes or no");
    } else if (full == "display.window_size") {
      int w = 0, h = 0;
      size_t x = Lower(value).find('x');
      if (Lower(value) == "auto") {
        settings->window_width = settings->window_height = 0;
      } else if (x != std::string::npos &&
                 ParseInt(value.substr(0, x), kSmallestWindowWidth, kLargestWindow, &w) &&
                 ParseInt(value.substr(x + 1), kSmallestWindowHeight, kLargestWindow, &h)) {
        settings->window_width = w;
        settings->window_height = h;
      } else {
        bad("WIDTHxHEIGHT (at least " + std::to_string(kSmallestWindowWidth) + "x" +
            std::to_string(kSmallestWindowHeight) + ") or auto");
      }
    } else if (full == "display.renderer") {
      std::string word = Lower(value);
      if (ParseRenderer(word))
        settings->renderer = word;
      else
        bad("auto, software or gpu");
    } else if (full == "display.scaling") {
      if (std::optional<Scaling> scaling = ParseScaling(Lower(value)))
        settings->scaling = *scaling;
      else
        bad("smooth, whole or stretch");
    } else if (full == "sound.volume" || full == "sound.music_volume") {
      int* target = full == "sound.volume" ? &settings->volume : &settings->music_volume;
      if (!ParseInt(value, 0, 100, target)) bad("a number from 0 to 100");
    } else if (full == "play.pause_on_focus_loss") {
      if (!ParseYesNo(value, &settings->pause_on_focus_loss)) bad("yes or no");
    } else if (section == "keys") {
      int action = -1;
      for (int i = 0; i < kActionCount; ++i)
        if (name == ActionName(Action(i))) action = i;
      if (action < 0) {
        report(number, "unknown setting '" + Echo(full) + "'");
        continue;
      }
      std::vector<uint8_t> codes;
      std::string unknown;
      for (const std::string& word : Words(value)) {
        int code = ScanCodeOf(word);
        if (code < 0) unknown = word;
        if (code > 0 && std::find(codes.begin(), codes.end(), code) == codes.end())
          codes.push_back(uint8_t(code));
      }
      if (!unknown.empty()) {
        report(number, full + ": unknown key '" + Echo(unknown) + "' (--list-keys names them all)");
      } else if (codes.empty()) {
        report(number, full + ": no key given");
      } else {
        settings->keys[action] = codes;
        key_lines[action] = number;
      }
    } else if (section == "pad") {
      int action = -1;
      for (int i = 0; i < kPadActionCount; ++i)
        if (name == PadActionName(PadAction(i))) action = i;
      if (action < 0) {
        report(number, "unknown setting '" + Echo(full) + "'");
        continue;
      }
      std::vector<PadButton> buttons;
      bool understood = !Words(value).empty();
      for (const std::string& word : Words(value)) {
        PadButton button;
        if (!ParsePadButton(word, &button))
          understood = false;
        else if (std::find(buttons.begin(), buttons.end(), button) == buttons.end())
          buttons.push_back(button);
      }
      if (!understood) {
        bad("buttons among south east west north back guide start leftstick rightstick "
            "leftshoulder rightshoulder");
      } else {
        settings->pad[action] = buttons;
        pad_lines[action] = number;
      }
    } else {
      report(number, "unknown setting '" + Echo(full) + "'");
    }
  }
  ResolveConflicts(settings->keys, key_lines, "keys", ActionNameAt, KeyLabel, DefaultKeysAt,
                   report);
  ResolveConflicts(settings->pad, pad_lines, "pad", PadActionNameAt, PadLabel, DefaultPadButtonsAt,
                   report);
  return report.clean;
}

std::string FormatSettings(const Settings& s) {
  std::string out =
      "# Ferrowyn's settings. Each line is \"name = value\"; # starts a comment. The game\n"
      "# changes only the values that change while it runs (full screen or the window's size)\n"
      "# and keeps your lines and comments, so edit it while the game is closed.\n";
  std::string section;
  for (const Field& field : Fields(s)) {
    if (field.section != section) {
      section = field.section;
      out += "\n[" + section + "]\n";
    }
    out += field.comment;
    out += field.name + " = " + field.value + "\n";
  }
  return out;
}

std::string UpdateSettingsText(const std::string& text, const Settings& was, const Settings& now) {
  // What changed, by "section.name", in the order a new file would have it.
  std::vector<Field> changed;
  const std::vector<Field> before = Fields(was);
  for (const Field& field : Fields(now))
    for (const Field& old : before)
      if (old.section == field.section && old.name == field.name && old.value != field.value)
        changed.push_back(field);
  if (changed.empty()) return text;

  std::vector<bool> written(changed.size());
  std::string out, section;
  // Settings the file lacks go at the end of their section, before its trailing blank lines.
  auto close_section = [&] {
    std::string missing;
    for (size_t i = 0; i < changed.size(); ++i) {
      if (changed[i].section != section || written[i]) continue;
      missing += changed[i].name + " = " + changed[i].value + "\n";
      written[i] = true;
    }
    size_t end = out.size();
    while (end >= 2 && out[end - 1] == '\n' && out[end - 2] == '\n') --end;
    out.insert(end, missing);
  };
  std::istringstream in(text);
  for (std::string raw; std::getline(in, raw);) {
    std::string line = Trim(WithoutComment(raw));
    if (!line.empty() && line.front() == '[') {
      close_section();
      section = line.back() == ']' ? Lower(Trim(line.substr(1, line.size() - 2))) : "";
    } else if (size_t equals = line.find('='); equals != std::string::npos) {
      std::string name = Lower(Trim(line.substr(0, equals)));
      for (size_t i = 0; i < changed.size(); ++i) {
        if (changed[i].section != section || changed[i].name != name) continue;
        // The player's spacing and comment stay; only the value between them changes.
        size_t value_at = raw.find('=') + 1;
        while (value_at < raw.size() && (raw[value_at] == ' ' || raw[value_at] == '\t')) ++value_at;
        std::string rest = raw.substr(value_at);
        std::string value = WithoutComment(rest);
        size_t value_end = value.find_last_not_of(" \t\r") + 1;  // 0 when there is none
        raw = raw.substr(0, value_at) + changed[i].value + rest.substr(value_end);
        written[i] = true;
      }
    }
    out += raw + "\n";
  }
  close_section();
  for (size_t i = 0; i < changed.size(); ++i) {
    if (written[i]) continue;
    if (changed[i].section != section) {
      section = changed[i].section;
      out += "\n[" + section + "]\n";
    }
    out += changed[i].name + " = " + changed[i].value + "\n";
  }
  return out;
}

std::filesystem::path SettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::filesystem::path(config) / "ferrowyn" / "settings.ini";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::filesystem::path(home) / ".config" / "ferrowyn" / "settings.ini";
  return {};
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text,
                         std::string* error) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::path temporary = path;
  temporary += ".new";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    *error = "cannot write " + temporary.string();
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  // On the disk before the rename, or a crash could leave an empty file in its place.
  written = std::fflush(file) == 0 && fsync(fileno(file)) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (!written) {
    std::filesystem::remove(temporary, ec);
    *error = "cannot write " + temporary.string() + " (disk full?)";
    return false;
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    *error = "cannot replace " + path.string();
    return false;
  }
  return true;
}

SettingsFile ReadSettingsFile(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  SettingsFile file;
  std::error_code ec;
  if (path.empty()) return file;
  file.path = fs::absolute(path, ec);
  if (!fs::exists(file.path, ec)) return file;
  const uintmax_t size = fs::file_size(file.path, ec);
  if (!ec && size > kSettingsFileLimit) {
    file.writable = false;
    file.warnings.push_back(
        path.string() + " is over 1 MiB, so it is not a settings file: " + "using the defaults");
    return file;
  }
  std::ifstream in(file.path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (ec || !in || (!in.good() && !in.eof())) {
    file.writable = false;
    file.warnings.push_back("cannot read " + path.string() + ": using the defaults");
    return file;
  }
  file.text = text.str();
  std::vector<std::string> warnings;
  if (!ParseSettings(file.text, path.string(), &file.settings, &warnings)) file.writable = false;
  for (size_t i = 0; i < warnings.size() && i < kWarningsShown; ++i)
    file.warnings.push_back(warnings[i]);
  if (warnings.size() > kWarningsShown)
    file.warnings.push_back("... and " + std::to_string(warnings.size() - kWarningsShown) +
                            " more");
  return file;
}

namespace {

// Writes `kept` over the file's settings, changing only the values that differ.
bool WriteKept(const SettingsFile& file, const Settings& kept, std::string* text,
               std::string* error) {
  if (kept == file.settings || file.path.empty()) return true;
  if (!file.writable) {
    *error = "not saving the settings over " + file.path.string() + ", which has errors";
    return false;
  }
  *text =
      file.text.empty() ? FormatSettings(kept) : UpdateSettingsText(file.text, file.settings, kept);
  return WriteFileAtomically(file.path, *text, error);
}

}  // namespace

bool SaveSettingsFile(const SettingsFile& file, const Settings& at_start, const Settings& now,
                      std::string* error) {
  Settings kept = file.settings;
  if (now.fullscreen != at_start.fullscreen) kept.fullscreen = now.fullscreen;
  if (now.window_width != at_start.window_width || now.window_height != at_start.window_height) {
    kept.window_width = now.window_width;
    kept.window_height = now.window_height;
  }
  std::string text;
  return WriteKept(file, kept, &text, error);
}

bool KeepSettingsChange(SettingsFile* file, const Settings& before, const Settings& now,
                        std::string* error) {
  Settings kept = file->settings;
  if (now.fullscreen != before.fullscreen) kept.fullscreen = now.fullscreen;
  if (now.window_width != before.window_width || now.window_height != before.window_height) {
    kept.window_width = now.window_width;
    kept.window_height = now.window_height;
  }
  if (now.scaling != before.scaling) kept.scaling = now.scaling;
  if (now.volume != before.volume) kept.volume = now.volume;
  if (now.music_volume != before.music_volume) kept.music_volume = now.music_volume;
  for (size_t i = 0; i < kept.keys.size(); ++i)
    if (now.keys[i] != before.keys[i]) kept.keys[i] = now.keys[i];
  for (size_t i = 0; i < kept.pad.size(); ++i)
    if (now.pad[i] != before.pad[i]) kept.pad[i] = now.pad[i];
  std::string text;
  if (!WriteKept(*file, kept, &text, error)) return false;
  // The next change, and the save at the end, build on what is now in the file.
  if (!text.empty()) file->text = text;
  file->settings = kept;
  return true;
}

std::vector<std::string> DescribeBindings(const Settings& settings) {
  std::vector<std::string> lines;
  for (int i = 0; i < kActionCount; ++i)
    lines.push_back(std::string(ActionName(Action(i))) + ": " + Names(settings.keys[i], KeyLabel));
  for (int i = 0; i < kPadActionCount; ++i)
    lines.push_back(std::string("pad ") + PadActionName(PadAction(i)) + ": " +
                    Names(settings.pad[i], PadLabel));
  return lines;
}

}  // namespace program
