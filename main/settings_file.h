// The settings file: the text that keeps the player's settings between runs, where it lives,
// and writing it safely. The hosts never see the file, only the settings read from it.
#pragma once
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

// The settings as a commented text file, every setting written out.
std::string FormatSettings(const Settings& settings);

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
