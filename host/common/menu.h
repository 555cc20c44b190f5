// The menu over the paused game, with no platform in it: its screens, what is selected, and
// what choosing does to the settings. A host feeds it the player's presses, does what comes
// back and draws its picture over the presented page, so the menu is the same on the desktop
// and in a browser.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/common/settings.h"

namespace host::common {

// Binds `key` to `action` in place of its keys. A key another action holds moves over only
// when that action keeps another key. Empty when done, else why it was refused.
std::string BindKey(Settings* settings, Action action, uint8_t key);
// The same for a pad button and a pad action.
std::string BindPadButton(Settings* settings, PadAction action, PadButton button);
// The pad action an action has a button for (fire, mine, start, quit); false for the others.
bool PadActionOf(Action action, PadAction* pad_action);

// What the player pressed, whatever drove the menu: arrows or d-pad or stick, Enter or Space
// or the pad's south button, Escape or the pad's east button.
enum class MenuPress { kUp, kDown, kLeft, kRight, kChoose, kBack };

// A pad's stick as menu presses: one each time it is pushed past half way, none while held.
class StickPresses {
 public:
  // An axis moved to `value` (-32768..32767); a press when it crossed half way.
  std::optional<MenuPress> Axis(bool vertical, int value);

 private:
  int x_ = 0, y_ = 0;  // -1, 0 or 1
};

enum class MenuScreen { kTop, kSound, kDisplay, kControls, kHighScores, kQuit };

// What a press asks of the host.
struct MenuOutcome {
  bool redraw = false;
  bool close = false;               // play on
  bool quit = false;                // the player confirmed Quit
  bool settings_changed = false;    // apply the settings and keep them
  bool bindings_changed = false;    // also take the keys and pad buttons afresh
  bool toggle_full_screen = false;  // the window is the host's to switch
};

// One line of the menu's picture.
struct MenuLine {
  std::string text;
  bool selected = false;
};

struct MenuPicture {
  std::string title;
  std::vector<MenuLine> lines;
  std::string notice;  // a refusal, or what the menu waits for
};

class Menu {
 public:
  // A host that owns no window's size or renderer (the browser) leaves out the Display screen.
  Menu(Settings* settings, bool desktop);

  bool IsOpen() const { return open_; }
  // Opens on the top screen with Resume selected.
  void Open();
  void Close();
  MenuScreen Screen() const { return screen_; }
  // Whether a press of a key or a pad button will be bound rather than move the selection.
  bool WaitingForBinding() const { return waiting_; }

  MenuOutcome Press(MenuPress press);
  // While waiting: a key by its scan code (Escape cancels) or a pad button is bound to the
  // chosen action.
  MenuOutcome BindKeyPress(uint8_t key);
  MenuOutcome BindPadPress(PadButton button);

  // The lines the High scores screen shows, best first.
  void SetHighScores(std::vector<std::string> lines) { high_scores_ = std::move(lines); }

  // What to draw; `key_name` names a scan code as the player's keyboard prints it.
  MenuPicture Picture(const std::function<std::string(uint8_t)>& key_name) const;

 private:
  enum class Row {
    kResume,
    kSound,
    kDisplay,
    kControls,
    kHighScores,
    kQuit,
    kVolume,
    kMusic,
    kFullScreen,
    kScaling,
    kAction,  // Controls: the action at the row's index
    kResetControls,
  };
  struct Entry {
    Row row;
    int action = 0;
  };
  std::vector<Entry> Entries() const;
  void Go(MenuScreen screen);
  MenuOutcome Choose(const Entry& entry, int step);

  Settings* settings_;
  bool desktop_;
  bool open_ = false;
  MenuScreen screen_ = MenuScreen::kTop;
  int selected_ = 0;
  bool waiting_ = false;
  std::string notice_;
  std::vector<std::string> high_scores_;
};

}  // namespace host::common
