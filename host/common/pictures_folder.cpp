#include "host/common/pictures_folder.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace host::common {

std::filesystem::path PicturesFolder() {
  namespace fs = std::filesystem;
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
  };
  if (const char* pictures = set("XDG_PICTURES_DIR")) return pictures;
  const char* home = set("HOME");
  if (!home) return ".";
  // A desktop names its folders in user-dirs.dirs, in the user's language:
  // XDG_PICTURES_DIR="$HOME/Bilder".
  const char* config = set("XDG_CONFIG_HOME");
  std::ifstream dirs((config ? fs::path(config) : fs::path(home) / ".config") / "user-dirs.dirs");
  const std::string key = "XDG_PICTURES_DIR=\"";
  for (std::string line; std::getline(dirs, line);) {
    if (line.rfind(key, 0) != 0 || line.size() < key.size() + 2 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) return fs::path(home + value.substr(5));
    if (!value.empty() && value[0] == '/') return value;
  }
  return fs::path(home) / "Pictures";
}

}  // namespace host::common
