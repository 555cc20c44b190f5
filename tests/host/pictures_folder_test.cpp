#include "host/common/pictures_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(PicturesFolder, FollowsTheDesktopsChoiceThenHome) {
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / ("ferrowyn-home-" + std::to_string(getpid()));
  fs::create_directories(home / "config");
  const char* real_home = std::getenv("HOME");
  std::string kept_home = real_home ? real_home : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  unsetenv("XDG_PICTURES_DIR");
  EXPECT_EQ(host::common::PicturesFolder(), home / "Pictures");  // no user-dirs.dirs
  std::ofstream(home / "config" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
         "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  EXPECT_EQ(host::common::PicturesFolder(), home / "Bilder");
  setenv("XDG_PICTURES_DIR", "/srv/shots", 1);
  EXPECT_EQ(host::common::PicturesFolder(), fs::path("/srv/shots"));
  unsetenv("XDG_PICTURES_DIR");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", kept_home.c_str(), 1);
  fs::remove_all(home);
}

}  // namespace
