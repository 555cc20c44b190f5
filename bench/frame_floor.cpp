// What this machine allows a frame loop that does almost nothing: wakes on a 22 ms deadline,
// works half a millisecond (about a frame of play), and prints the moment each frame's work
// ends, in microseconds of wall-clock time, as the game's present clock does. scripts/
// measure-play runs it after the game, so frames over 23 ms that the machine makes alone (a
// late wake-up, a processor taken away) are told from the game's own.
//
//   ferrowyn_frame_floor SECONDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  const long seconds = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (seconds <= 0 || seconds > 3600) {
    std::fprintf(stderr, "usage: ferrowyn_frame_floor SECONDS (1 to 3600)\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  constexpr auto kFrame = std::chrono::milliseconds(22);
  constexpr auto kWork = std::chrono::microseconds(500);
  const auto start = Clock::now();
  for (auto deadline = start + kFrame; deadline - start <= std::chrono::seconds(seconds);
       deadline += kFrame) {
    std::this_thread::sleep_until(deadline);
    for (const auto woke = Clock::now(); Clock::now() - woke < kWork;) {
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(
                              std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
  }
  return 0;
}
