// Where the game's pictures and sounds are: the folder given, else the first of the current
// folder, the executable's own folder and the installed data folder that holds all of them.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace program {

// The twelve files the game reads at start-up.
const std::vector<std::string>& DataFileNames();

// True when `folder` holds every data file.
bool HoldsData(const std::filesystem::path& folder);
// True when `folder` holds at least one of them: a folder the player named with some files
// missing still plays (each missing file is reported), an empty one is a mistake.
bool HoldsAnyData(const std::filesystem::path& folder);

// The folders looked in, in order, when none is given: the current folder, the executable's
// folder, and `installed` taken relative to the executable's folder (or as it is, when
// absolute; skipped when empty).
std::vector<std::filesystem::path> DataCandidates(const std::filesystem::path& current,
                                                  const std::filesystem::path& executable_dir,
                                                  const std::string& installed);

// The first candidate that holds the data; empty when none does.
std::filesystem::path FindData(const std::vector<std::filesystem::path>& candidates);

}  // namespace program
