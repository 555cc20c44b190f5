// ferrowyn-headless: the game on the headless host (see --help).
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "main/data_folder.h"
#include "tools/headless/runner.h"

#ifndef FERROWYN_INSTALLED_DATA
#define FERROWYN_INSTALLED_DATA ""
#endif

namespace {

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Without --data the runner looks where the game does, so that an installed runner replays
  // a recording from any folder; the current folder comes first, as it always has.
  bool data_given = false;
  for (const std::string& arg : args) data_given = data_given || arg == "--data";
  if (!data_given) {
    std::error_code ec;
    std::filesystem::path found = program::FindData(program::DataCandidates(
        std::filesystem::current_path(ec), ExecutableFolder(), FERROWYN_INSTALLED_DATA));
    if (!found.empty()) args.insert(args.begin(), {"--data", found.string()});
  }
  return runner::RunHeadless(args, std::cout, std::cerr);
}
