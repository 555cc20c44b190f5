// The pause and the pad's Start and Back, as both the SDL and the web host apply them.
#include "host/common/pad_policy.h"

#include <gtest/gtest.h>

namespace {

using host::common::PadPolicy;
using host::common::Pause;
using host::common::PauseState;
using Start = PadPolicy::Start;

TEST(PadPolicy, StartStartsAGameOnTheTitleAndPausesInPlay) {
  PadPolicy pad;
  PauseState pause;
  EXPECT_EQ(pad.StartButton(true, false, &pause), Start::kTapStartKey);
  // Held on (read again every frame, or a second binding's event), it does nothing more.
  EXPECT_EQ(pad.StartButton(true, true, &pause), Start::kNothing);
  EXPECT_FALSE(pause.Paused());

  EXPECT_EQ(pad.StartButton(false, true, &pause), Start::kNothing);
  EXPECT_EQ(pad.StartButton(true, true, &pause), Start::kPauseChanged);
  EXPECT_EQ(pause.Reason(), Pause::kByPlayer);
  pad.StartButton(false, true, &pause);
  EXPECT_EQ(pad.StartButton(true, true, &pause), Start::kPauseChanged);
  EXPECT_FALSE(pause.Paused());
  pad.StartButton(false, false, &pause);

  // Paused on the title screen (the window went away), Start plays on rather than starts.
  pause.FocusLost(true);
  EXPECT_EQ(pad.StartButton(true, false, &pause), Start::kPauseChanged);
  EXPECT_FALSE(pause.Paused());

  // A pad unplugged with Start down: the next pad's first press counts.
  pad.Unplugged();
  EXPECT_EQ(pad.StartButton(true, false, &pause), Start::kTapStartKey);
}

TEST(PadPolicy, BackHeldForASecondQuits) {
  PadPolicy pad;
  pad.BackButton(true, 1000);
  pad.BackButton(true, 1500);  // still down: the hold began at 1000
  EXPECT_FALSE(pad.QuitDue(1999));
  EXPECT_TRUE(pad.QuitDue(2000));
  // A short press, let go, then held again: the second starts its own second.
  pad.BackButton(false, 5100);
  EXPECT_FALSE(pad.QuitDue(5100));
  pad.BackButton(true, 5200);
  pad.BackButton(false, 5300);
  pad.BackButton(true, 5400);
  EXPECT_FALSE(pad.QuitDue(6399));
  EXPECT_TRUE(pad.QuitDue(6400));
  // Unplugged while held: no quit from a button that is gone.
  pad.Unplugged();
  EXPECT_FALSE(pad.QuitDue(9000));
  // Across the clock's wrap, 49.7 days in.
  pad.BackButton(true, 0xFFFFFF00u);
  EXPECT_FALSE(pad.QuitDue(0xFFFFFF10u));
  EXPECT_FALSE(pad.QuitDue(0xFFFFFF00u + 999));
  EXPECT_TRUE(pad.QuitDue(0xFFFFFF00u + 1000));
}

TEST(PauseState, TheFocusEndsOnlyItsOwnPause) {
  PauseState pause;
  EXPECT_FALSE(pause.FocusLost(false));  // switched off in the settings
  EXPECT_FALSE(pause.Paused());
  EXPECT_TRUE(pause.FocusLost(true));
  EXPECT_EQ(pause.Reason(), Pause::kByFocus);
  EXPECT_TRUE(pause.FocusGained());
  EXPECT_FALSE(pause.Paused());

  // Paused by the player, the focus going and coming back leaves the game paused.
  EXPECT_TRUE(pause.Toggle());
  EXPECT_FALSE(pause.FocusLost(true));
  EXPECT_FALSE(pause.FocusGained());
  EXPECT_EQ(pause.Reason(), Pause::kByPlayer);
  // The player's key plays on from the focus's pause too.
  EXPECT_TRUE(pause.Toggle());
  pause.FocusLost(true);
  EXPECT_TRUE(pause.Toggle());
  EXPECT_FALSE(pause.Paused());
  // Asked for again while paused, a pause is no change: the host keeps its sound stopped.
  pause.Toggle();
  EXPECT_FALSE(pause.Set(Pause::kByFocus));
}

TEST(PauseState, OnceClosingOnlyPlayingOnIsTaken) {
  PauseState paused;
  PadPolicy pad;
  paused.Toggle();
  paused.Close();
  EXPECT_EQ(pad.StartButton(true, true, &paused), Start::kPauseChanged);
  EXPECT_FALSE(paused.Paused());
  pad.StartButton(false, true, &paused);
  EXPECT_EQ(pad.StartButton(true, true, &paused), Start::kNothing);
  EXPECT_FALSE(paused.Toggle());
  EXPECT_FALSE(paused.FocusLost(true));
  EXPECT_FALSE(paused.Paused());
}

}  // namespace
