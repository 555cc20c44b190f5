// The menu's screens and binding rules, driven as a host drives them.
#include "host/common/menu.h"

#include <gtest/gtest.h>

#include "host/common/key_names.h"
#include "host/common/scan_codes.h"

namespace {

using host::common::Action;
using host::common::Menu;
using host::common::MenuPress;
using host::common::MenuScreen;
using host::common::PadAction;
using host::common::PadButton;
using host::common::Settings;

std::vector<uint8_t> Keys(const Settings& s, Action a) {
  return s.keys[size_t(a)];
}

std::string Selected(const Menu& menu) {
  for (const auto& line : menu.Picture(host::common::NameOfScanCode).lines)
    if (line.selected) return line.text;
  return "";
}

// Presses Down until the line starting with `text` is selected.
void Select(Menu* menu, const std::string& text) {
  for (int i = 0; i < 20 && Selected(*menu).rfind(text, 0) != 0; ++i) menu->Press(MenuPress::kDown);
  ASSERT_EQ(Selected(*menu).rfind(text, 0), 0u) << text;
}

TEST(MenuBinding, AKeyMovesOnlyWhenItsActionKeepsAnother) {
  Settings s;
  // Right Ctrl leaves mine, which keeps Left Ctrl.
  EXPECT_EQ(BindKey(&s, Action::kFire, host::common::kDikRControl), "");
  EXPECT_EQ(Keys(s, Action::kFire), std::vector<uint8_t>{host::common::kDikRControl});
  EXPECT_EQ(Keys(s, Action::kMine), std::vector<uint8_t>{host::common::kDikLControl});
  // Up's only key stays with up.
  const std::string refused = BindKey(&s, Action::kFire, host::common::kDikUp);
  EXPECT_NE(refused.find("UP"), std::string::npos) << refused;
  EXPECT_EQ(Keys(s, Action::kFire), std::vector<uint8_t>{host::common::kDikRControl});
  EXPECT_EQ(Keys(s, Action::kUp), std::vector<uint8_t>{host::common::kDikUp});

  // Pad buttons follow the same rule: east leaves mine, which keeps west; south stays.
  EXPECT_EQ(BindPadButton(&s, PadAction::kStart, PadButton::kEast), "");
  EXPECT_EQ(s.pad[size_t(PadAction::kMine)], std::vector<PadButton>{PadButton::kWest});
  EXPECT_NE(BindPadButton(&s, PadAction::kStart, PadButton::kWest), "");
  EXPECT_EQ(s.pad[size_t(PadAction::kStart)], std::vector<PadButton>{PadButton::kEast});
}

TEST(Menu, BackClimbsToTheTopThenCloses) {
  Settings s;
  Menu menu(&s, true);
  menu.Open();
  EXPECT_EQ(Selected(menu), "Resume");
  menu.Press(MenuPress::kUp);  // wraps round to the last row
  EXPECT_EQ(Selected(menu), "Quit");
  menu.Press(MenuPress::kChoose);
  EXPECT_EQ(menu.Screen(), MenuScreen::kQuit);
  EXPECT_FALSE(menu.Press(MenuPress::kBack).close);
  EXPECT_EQ(menu.Screen(), MenuScreen::kTop);
  EXPECT_EQ(Selected(menu), "Quit");  // back on the row it came from
  EXPECT_TRUE(menu.Press(MenuPress::kBack).close);
  EXPECT_FALSE(menu.IsOpen());

  menu.Open();
  EXPECT_EQ(Selected(menu), "Resume");
  Select(&menu, "Quit");
  menu.Press(MenuPress::kChoose);
  EXPECT_TRUE(menu.Press(MenuPress::kChoose).quit);

  // The browser has no Display screen.
  Menu web(&s, false);
  web.Open();
  for (const auto& line : web.Picture(host::common::NameOfScanCode).lines)
    EXPECT_NE(line.text, "Display");
}

TEST(Menu, VolumesMoveInTensWithinRange) {
  Settings s;
  s.volume = 90;
  Menu menu(&s, true);
  menu.Open();
  Select(&menu, "Sound");
  menu.Press(MenuPress::kChoose);
  EXPECT_TRUE(menu.Press(MenuPress::kRight).settings_changed);
  EXPECT_EQ(s.volume, 100);
  EXPECT_FALSE(menu.Press(MenuPress::kRight).settings_changed);
  EXPECT_EQ(s.volume, 100);
  menu.Press(MenuPress::kChoose);  // a pad's one button goes round
  EXPECT_EQ(s.volume, 0);
  menu.Press(MenuPress::kLeft);
  EXPECT_EQ(s.volume, 0);
  menu.Press(MenuPress::kDown);
  menu.Press(MenuPress::kLeft);
  EXPECT_EQ(s.music_volume, 90);
  EXPECT_EQ(s.volume, 0);
}

TEST(Menu, DisplayAsksTheHostForFullScreenAndCyclesTheScaling) {
  Settings s;
  Menu menu(&s, true);
  menu.Open();
  Select(&menu, "Display");
  menu.Press(MenuPress::kChoose);
  const auto full = menu.Press(MenuPress::kChoose);
  EXPECT_TRUE(full.toggle_full_screen);
  EXPECT_TRUE(s.fullscreen);  // the host switches it, and the setting follows the window
  menu.Press(MenuPress::kDown);
  EXPECT_EQ(Selected(menu), "Scaling  < sharp then smooth >");
  menu.Press(MenuPress::kLeft);  // round to the last
  EXPECT_EQ(s.scaling, host::common::Scaling::kStretch);
  EXPECT_TRUE(menu.Press(MenuPress::kChoose).settings_changed);
  EXPECT_EQ(s.scaling, host::common::Scaling::kSmooth);
  menu.Press(MenuPress::kRight);
  EXPECT_EQ(Selected(menu), "Scaling  < whole pixels >");
}

TEST(Menu, ControlsWaitForAKeyOrButtonAndReset) {
  Settings s;
  Menu menu(&s, true);
  menu.Open();
  Select(&menu, "Controls");
  menu.Press(MenuPress::kChoose);
  Select(&menu, "FIRE");
  EXPECT_EQ(Selected(menu), "FIRE:  SPACE  pad south");
  menu.Press(MenuPress::kChoose);
  ASSERT_TRUE(menu.WaitingForBinding());
  EXPECT_FALSE(menu.Press(MenuPress::kBack).close);  // presses wait too

  // Escape cancels and binds nothing, even where it could move.
  s.keys[size_t(Action::kQuit)].push_back(host::common::kDikQ);
  EXPECT_FALSE(menu.BindKeyPress(host::common::kDikEscape).settings_changed);
  EXPECT_FALSE(menu.WaitingForBinding());
  EXPECT_EQ(Keys(s, Action::kQuit),
            (std::vector<uint8_t>{host::common::kDikEscape, host::common::kDikQ}));

  menu.Press(MenuPress::kChoose);
  auto bound = menu.BindKeyPress(host::common::kDikF);
  EXPECT_TRUE(bound.settings_changed && bound.bindings_changed);
  EXPECT_EQ(Keys(s, Action::kFire), std::vector<uint8_t>{host::common::kDikF});
  menu.Press(MenuPress::kChoose);
  EXPECT_TRUE(menu.BindPadPress(PadButton::kNorth).bindings_changed);
  EXPECT_EQ(Selected(menu), "FIRE:  F  pad north");

  // A refusal is shown, and nothing changes.
  menu.Press(MenuPress::kChoose);
  EXPECT_FALSE(menu.BindKeyPress(host::common::kDikF1).settings_changed);
  EXPECT_NE(menu.Picture(host::common::NameOfScanCode).notice, "");
  EXPECT_EQ(Keys(s, Action::kFire), std::vector<uint8_t>{host::common::kDikF});

  // Pause has no pad button.
  Select(&menu, "PAUSE");
  menu.Press(MenuPress::kChoose);
  EXPECT_FALSE(menu.BindPadPress(PadButton::kNorth).settings_changed);

  Select(&menu, "Reset controls");
  EXPECT_TRUE(menu.Press(MenuPress::kChoose).bindings_changed);  // quit loses Q too
  EXPECT_EQ(s, Settings());
}

}  // namespace
