// What every host adds around the game for the player, with no platform in it: the pause, and
// what the pad's Start and Back mean. A host reports what happened and does what comes back,
// so the pad and the pause behave alike on the desktop and in a browser.
#pragma once
#include <cstdint>

namespace host::common {

// Why the game stands still, if it does.
enum class Pause { kNo, kByPlayer, kByFocus };

// Whether the game is paused, and why. Each change returns whether the game went from playing
// to paused or back: only then does a host stop or start its sound and redraw.
class PauseState {
 public:
  bool Paused() const { return pause_ != Pause::kNo; }
  Pause Reason() const { return pause_; }
  // Once closing, only playing on is taken.
  bool Set(Pause pause);
  // The player's pause key: pauses, or plays on whatever paused the game.
  bool Toggle() { return Set(Paused() ? Pause::kNo : Pause::kByPlayer); }
  // The window lost the focus (or the page was hidden): a pause, when the settings ask for one
  // and the game is not paused already.
  bool FocusLost(bool pause_on_focus_loss);
  // The focus came back: plays on, when only the focus had paused the game.
  bool FocusGained();
  // The player asked to close: the game winds down over a few more frames, and losing the
  // focus on the way must not pause it.
  void Close() { closing_ = true; }
  bool Closing() const { return closing_; }

 private:
  Pause pause_ = Pause::kNo;
  bool closing_ = false;
};

// The pad's Start and Back: Start starts a game on the title screen (a tap of the game's start
// key) and pauses or plays on otherwise; Back held for a second quits, as closing the window
// does. The buttons may come as events or be read every frame: the same state again is no news.
class PadPolicy {
 public:
  static constexpr uint32_t kQuitHoldMs = 1000;
  // What Start asks of the host.
  enum class Start { kNothing, kTapStartKey, kPauseChanged };

  // Start went down or up; `in_play` is whether a game is under way.
  Start StartButton(bool down, bool in_play, PauseState* pause);
  // Back went down or up, at `now_ms` on the host's clock.
  void BackButton(bool down, uint32_t now_ms);
  // Whether Back has been held for kQuitHoldMs by `now_ms`.
  bool QuitDue(uint32_t now_ms) const;
  // The pad went away, and its buttons with it.
  void Unplugged();

 private:
  bool start_down_ = false;
  bool back_down_ = false;
  uint32_t back_since_ = 0;
};

}  // namespace host::common
