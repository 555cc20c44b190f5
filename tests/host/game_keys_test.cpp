// The game's keys as a host holds them: bindings, several keys for one, taps, focus loss.
#include <dinput.h>
#include <gtest/gtest.h>

#include "host/common/game_keys.h"

namespace {

using host::common::Action;
using host::common::GameKeys;
using host::common::Settings;

TEST(GameKeys, ATapWithinOnePumpIsHeldForThatPump) {
  GameKeys keys{Settings()};
  keys.BeginPump();
  keys.Physical(DIK_SPACE, true);
  keys.Physical(DIK_SPACE, false);
  EXPECT_TRUE(keys.Held(DIK_SPACE));  // the frame after this pump sees it
  keys.BeginPump();
  EXPECT_FALSE(keys.Held(DIK_SPACE));

  // Held across a pump, it is let go at once.
  keys.Physical(DIK_RIGHT, true);
  keys.BeginPump();
  keys.Physical(DIK_RIGHT, false);
  EXPECT_FALSE(keys.Held(DIK_RIGHT));
}

TEST(GameKeys, TwoKeysForOneActionHoldItUntilBothAreUp) {
  GameKeys keys{Settings()};  // both Ctrl keys lay mines
  keys.Physical(DIK_LCONTROL, true);
  keys.Physical(DIK_RCONTROL, true);
  keys.BeginPump();
  keys.Physical(DIK_LCONTROL, false);
  EXPECT_TRUE(keys.Held(DIK_LCONTROL));
  // A repeat of the key still held, or a second release of the one let go, changes nothing.
  keys.Physical(DIK_RCONTROL, true);
  keys.Physical(DIK_LCONTROL, false);
  EXPECT_TRUE(keys.Held(DIK_LCONTROL));
  keys.Physical(DIK_RCONTROL, false);
  EXPECT_FALSE(keys.Held(DIK_LCONTROL));
  EXPECT_FALSE(keys.Held(DIK_RCONTROL));
}

TEST(GameKeys, BindingsChooseTheKeys) {
  Settings settings;
  settings.keys[size_t(Action::kFire)] = {DIK_Z};
  settings.keys[size_t(Action::kPause)] = {DIK_SPACE};
  GameKeys keys(settings);
  keys.Physical(DIK_Z, true);
  EXPECT_TRUE(keys.Held(DIK_SPACE));  // Z fires: the game reads its own Space key
  EXPECT_FALSE(keys.Held(DIK_Z));
  keys.Physical(DIK_Z, false);
  keys.BeginPump();
  // Space now pauses: the host's business, nothing the game sees.
  keys.Physical(DIK_SPACE, true);
  EXPECT_FALSE(keys.Held(DIK_SPACE));
  ASSERT_TRUE(keys.Map().HostAction(DIK_SPACE));
  EXPECT_EQ(*keys.Map().HostAction(DIK_SPACE), Action::kPause);
  // A key bound to nothing passes through as itself.
  keys.Physical(DIK_F2, true);
  EXPECT_TRUE(keys.Held(DIK_F2));
}

TEST(GameKeys, PressedDirectlyAndForgottenAll) {
  GameKeys keys{Settings()};
  keys.Physical(DIK_UP, true);
  keys.Press(DIK_F1);
  keys.Release(DIK_F1);
  EXPECT_TRUE(keys.Held(DIK_F1));
  keys.ReleaseAll();
  EXPECT_FALSE(keys.Held(DIK_UP));
  EXPECT_FALSE(keys.Held(DIK_F1));
  // The release that follows a focus loss finds nothing to let go; the next press works.
  keys.Physical(DIK_UP, false);
  keys.Physical(DIK_UP, true);
  EXPECT_TRUE(keys.Held(DIK_UP));
  keys.Physical(DIK_UP, false);
  keys.BeginPump();
  EXPECT_FALSE(keys.Held(DIK_UP));
}

}  // namespace
