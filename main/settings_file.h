// The settings file: the text that keeps the player's settings between runs, where it lives,
// and writing it safely. The hosts never see the file, only the settings read from it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/common/settings.h"

namespace program {

using host::common::Settings;

// Reads settings text over `settings`. A line that cannot be used adds one warning,
// "<source>:<line>: <reason>", and leaves that setting as it was; the others still apply.
// A key bound to two actions stays with the first and is reported. Returns true when every
// line was understood.
bool ParseSettings(const std::string& text, const std::string& source, Settings* settings,
                   std::vector<std::string>* warnings);

// The settings as a commented text file, every setting written out: a new file.
std::string FormatSettings(const Settings& settings);

// The player's own text with the values that differ between `was` and `now` changed in place:
// their lines, comments, order and spacing stay. A changed setting the text lacks is added at
// the end of its section (a new section at the end when there is none).
std::string UpdateSettingsText(const std::string& text, const Settings& was, const Settings& now);

// A settings file larger than this is not read (nor ever written over).
constexpr uintmax_t kSettingsFileLimit = 1 << 20;
// At most this many warnings are shown, then how many more there were.
constexpr size_t kWarningsShown = 20;

// The settings file as read: what it said, and whether the game may write over it.
struct SettingsFile {
  std::filesystem::path path;  // absolute, so that it holds whatever the current folder
  std::string text;            // as read; empty when there was no file
  Settings settings;
  bool writable = true;  // false: not read whole, too large, or with errors; the player's to mend
  std::vector<std::string> warnings;  // at most kWarningsShown, then "... and N more"
};

// Reads the file at `path` (empty: none) over the defaults. A missing file is no error.
SettingsFile ReadSettingsFile(const std::filesystem::path& path);

// Keeps in the file what changed from `at_start` to `now`, if anything, changing only those
// values. False, with a reason, when it could not or may not write.
bool SaveSettingsFile(const SettingsFile& file, const Settings& at_start, const Settings& now,
                      std::string* error);

// Keeps in the file at once what the player changed in the menu from `before` to `now` (the
// volumes, full screen and the window's size, the keys and pad buttons), changing only those
// values; `file` follows, so later changes and the save at the end build on it. False, with a
// reason, when it could not or may not write.
bool KeepSettingsChange(SettingsFile* file, const Settings& before, const Settings& now,
                        std::string* error);

// Where the settings live: $XDG_CONFIG_HOME/ferrowyn/settings.ini, else
// ~/.config/ferrowyn/settings.ini; empty when neither can be named.
std::filesystem::path SettingsPath();

// Writes the file through a temporary file in the same folder and a rename, so a crash or a
// full disk never leaves half a file. False with a reason when it could not.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text,
                         std::string* error);

// A one-line summary of the bindings, for --help and --list-keys: "fire: SPACE".
std::vector<std::string> DescribeBindings(const Settings& settings);

}  // namespace program
