// The soak run: a long game of random keys, its world checked on every frame as the trace
// streams by. FERROWYN_SOAK_FRAMES sets the length (scripts/test-sanitizers runs 100,000);
// without it the test is skipped, the 15,000-frame random run covering the usual suite.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/scenario_support.h"

namespace {

using scenario::Json;

TEST(ScenarioSoak, InvariantsHoldOverALongRandomRun) {
  const char* wanted = std::getenv("FERROWYN_SOAK_FRAMES");
  if (!wanted || !*wanted) GTEST_SKIP() << "FERROWYN_SOAK_FRAMES is not set";
  const long length = std::atol(wanted);
  ASSERT_GT(length, 0) << wanted;
  long frames = 0, playing = 0, game_overs = 0, broken_at = -1;
  std::string broken;
  auto run =
      scenario::StreamGame({"--frames", std::to_string(length), "--random-input", "20261208"}, "",
                           [&](const Json& f, const Json* before) {
                             if (broken.empty()) {
                               broken = scenario::BrokenInvariant(f, before);
                               if (!broken.empty()) broken_at = frames;
                             }
                             if (f["game_mode"].Int() == scenario::kPlaying) ++playing;
                             if (before && f["game_mode"].Int() == scenario::kTitle &&
                                 (*before)["game_mode"].Int() == scenario::kPlaying)
                               ++game_overs;
                             ++frames;
                           });
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(broken, "") << "frame " << broken_at;
  EXPECT_EQ(frames, length);
  // Random keys must keep starting games again, or the run soaks only the title screen.
  EXPECT_GT(playing, length / 3);
  EXPECT_GT(game_overs, length / 15000);
}

}  // namespace
