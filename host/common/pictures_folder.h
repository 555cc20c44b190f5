// Where a desktop user expects their pictures. No platform library in here.
#pragma once
#include <filesystem>

namespace host::common {

// Where Print Screen saves: $XDG_PICTURES_DIR, else the pictures folder the desktop names in
// user-dirs.dirs, else ~/Pictures (or the working folder with no home at all).
std::filesystem::path PicturesFolder();

}  // namespace host::common
