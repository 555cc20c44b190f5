#include "host/common/pad_policy.h"

namespace host::common {

bool PauseState::Set(Pause pause) {
  if (closing_ && pause != Pause::kNo) return false;
  const bool was_paused = Paused();
  pause_ = pause;
  return was_paused != Paused();
}

bool PauseState::FocusLost(bool pause_on_focus_loss) {
  return pause_on_focus_loss && !Paused() && Set(Pause::kByFocus);
}

bool PauseState::FocusGained() {
  return pause_ == Pause::kByFocus && Set(Pause::kNo);
}

PadPolicy::Start PadPolicy::StartButton(bool down, bool in_play, PauseState* pause) {
  const bool pressed = down && !start_down_;
  start_down_ = down;
  if (!pressed) return Start::kNothing;
  // Paused, even on the title screen (the window went away), Start plays on rather than starts.
  if (pause->Paused() || in_play) return pause->Toggle() ? Start::kPauseChanged : Start::kNothing;
  return Start::kTapStartKey;
}

void PadPolicy::BackButton(bool down, uint32_t now_ms) {
  if (down && !back_down_) back_since_ = now_ms;
  back_down_ = down;
}

bool PadPolicy::QuitDue(uint32_t now_ms) const {
  // Unsigned, so the hold is measured right across the clock's wrap.
  return back_down_ && now_ms - back_since_ >= kQuitHoldMs;
}

void PadPolicy::Unplugged() {
  start_down_ = false;
  back_down_ = false;
}

}  // namespace host::common
