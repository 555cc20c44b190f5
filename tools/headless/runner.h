// The headless runner: the real game on the headless host, driven by a script or random
// keys, writing a state trace, page captures and the mixed sound.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace runner {

// Runs the game with the runner's command line (without the program name). The summary goes
// to `out`, messages to `err`. Returns the exit status: 0 after a complete run, 2 for a bad
// option or script line, 1 when the game could not start or an output could not be written.
// Installs its own host for the run; afterwards no host is installed.
int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace runner
