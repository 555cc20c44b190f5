// ferrowyn-headless: the game on the headless host (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "tools/headless/runner.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return runner::RunHeadless(args, std::cout, std::cerr);
}
