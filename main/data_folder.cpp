#include "main/data_folder.h"

#include <system_error>

namespace program {

const std::vector<std::string>& DataFileNames() {
  static const std::vector<std::string> names = {
      "PLAYERS.BMP", "EXPLODE.BMP", "ARSENAL.BMP",  "BORDER.BMP", "TITLE.BMP", "Shot.WAV",
      "Explode.WAV", "intro.WAV",   "Minedrop.WAV", "Pickup.WAV", "team.WAV",  "plan.WAV"};
  return names;
}

bool HoldsData(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const std::string& name : DataFileNames())
    if (!std::filesystem::is_regular_file(folder / name, ec)) return false;
  return true;
}

bool HoldsAnyData(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const std::string& name : DataFileNames())
    if (std::filesystem::is_regular_file(folder / name, ec)) return true;
  return false;
}

std::vector<std::filesystem::path> DataCandidates(const std::filesystem::path& current,
                                                  const std::filesystem::path& executable_dir,
                                                  const std::string& installed) {
  std::vector<std::filesystem::path> folders = {current};
  if (!executable_dir.empty()) folders.push_back(executable_dir);
  if (!installed.empty()) {
    std::filesystem::path path(installed);
    folders.push_back(path.is_absolute() ? path : (executable_dir / path).lexically_normal());
  }
  return folders;
}

std::filesystem::path FindData(const std::vector<std::filesystem::path>& candidates) {
  for (const std::filesystem::path& folder : candidates)
    if (HoldsData(folder)) return folder;
  return {};
}

}  // namespace program
