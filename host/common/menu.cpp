#include "host/common/menu.h"

#include <algorithm>
#include <utility>

#include "host/common/key_names.h"
#include "host/common/scan_codes.h"

namespace host::common {
namespace {

constexpr int kVolumeStep = 10;

// Moves `item` into `own` alone, taking it from whichever other list holds it, unless that
// list would be left empty.
template <typename T, size_t N>
std::string Bind(std::array<std::vector<T>, N>* lists, size_t own, T item,
                 const std::string& item_name, const char* (*list_name)(int)) {
  for (size_t other = 0; other < N; ++other) {
    if (other == own) continue;
    std::vector<T>& list = (*lists)[other];
    if (std::find(list.begin(), list.end(), item) == list.end()) continue;
    if (list.size() == 1)
      return item_name + " is the only one for " + list_name(int(other)) + ": not moved";
    list.erase(std::find(list.begin(), list.end(), item));
  }
  (*lists)[own] = {item};
  return "";
}

const char* ActionNameAt(int i) {
  return ActionName(Action(i));
}
const char* PadActionNameAt(int i) {
  return PadActionName(PadAction(i));
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

}  // namespace

std::string BindKey(Settings* settings, Action action, uint8_t key) {
  return Bind(&settings->keys, size_t(action), key, NameOfScanCode(key), ActionNameAt);
}

std::string BindPadButton(Settings* settings, PadAction action, PadButton button) {
  return Bind(&settings->pad, size_t(action), button, PadButtonName(button), PadActionNameAt);
}

bool PadActionOf(Action action, PadAction* pad_action) {
  switch (action) {
    case Action::kFire:
      *pad_action = PadAction::kFire;
      return true;
    case Action::kMine:
      *pad_action = PadAction::kMine;
      return true;
    case Action::kStart:
      *pad_action = PadAction::kStart;
      return true;
    case Action::kQuit:
      *pad_action = PadAction::kQuit;
      return true;
    default:
      return false;
  }
}

std::optional<MenuPress> StickPresses::Axis(bool vertical, int value) {
  const int at = value > 16384 ? 1 : value < -16384 ? -1 : 0;
  int& was = vertical ? y_ : x_;
  const bool pressed = at != 0 && at != was;
  was = at;
  if (!pressed) return std::nullopt;
  if (vertical) return at < 0 ? MenuPress::kUp : MenuPress::kDown;
  return at < 0 ? MenuPress::kLeft : MenuPress::kRight;
}

Menu::Menu(Settings* settings, bool desktop) : settings_(settings), desktop_(desktop) {}

void Menu::Open() {
  open_ = true;
  Go(MenuScreen::kTop);
}

void Menu::Close() {
  open_ = false;
  waiting_ = false;
  notice_.clear();
}

void Menu::Go(MenuScreen screen) {
  screen_ = screen;
  selected_ = 0;
  waiting_ = false;
  notice_.clear();
}

std::vector<Menu::Entry> Menu::Entries() const {
  switch (screen_) {
    case MenuScreen::kTop: {
      std::vector<Entry> entries = {{Row::kResume}, {Row::kSound}};
      if (desktop_) entries.push_back({Row::kDisplay});
      entries.insert(entries.end(), {{Row::kControls}, {Row::kHighScores}, {Row::kQuit}});
      return entries;
    }
    case MenuScreen::kSound:
      return {{Row::kVolume}, {Row::kMusic}};
    case MenuScreen::kDisplay:
      return {{Row::kFullScreen}, {Row::kScaling}};
    case MenuScreen::kControls: {
      std::vector<Entry> entries;
      for (int i = 0; i < kActionCount; ++i) entries.push_back({Row::kAction, i});
      entries.push_back({Row::kResetControls});
      return entries;
    }
    case MenuScreen::kHighScores:
    case MenuScreen::kQuit:
      return {};
  }
  return {};
}

MenuOutcome Menu::Press(MenuPress press) {
  MenuOutcome outcome;
  if (!open_ || waiting_) return outcome;
  outcome.redraw = true;
  const std::vector<Entry> entries = Entries();
  const int count = int(entries.size());
  switch (press) {
    case MenuPress::kUp:
    case MenuPress::kDown:
      notice_.clear();
      // The selection wraps, so the last row is one press away.
      if (count > 0) selected_ = (selected_ + (press == MenuPress::kUp ? count - 1 : 1)) % count;
      return outcome;
    case MenuPress::kBack:
      if (screen_ == MenuScreen::kTop) {
        Close();
        outcome.close = true;
      } else {
        const MenuScreen from = screen_;
        Go(MenuScreen::kTop);
        // Back where the player came from, on its row.
        const std::vector<Entry> top = Entries();
        const Row row = from == MenuScreen::kSound      ? Row::kSound
                        : from == MenuScreen::kDisplay  ? Row::kDisplay
                        : from == MenuScreen::kControls ? Row::kControls
                        : from == MenuScreen::kQuit     ? Row::kQuit
                                                        : Row::kHighScores;
        for (int i = 0; i < int(top.size()); ++i)
          if (top[i].row == row) selected_ = i;
      }
      return outcome;
    case MenuPress::kChoose:
      if (screen_ == MenuScreen::kQuit) {
        outcome.quit = true;
        return outcome;
      }
      [[fallthrough]];
    case MenuPress::kLeft:
    case MenuPress::kRight:
      if (selected_ >= count) return outcome;
      notice_.clear();
      return Choose(entries[selected_], press == MenuPress::kLeft    ? -1
                                        : press == MenuPress::kRight ? 1
                                                                     : 0);
  }
  return outcome;
}

// `step` is -1 or 1 for Left and Right, 0 for choosing.
MenuOutcome Menu::Choose(const Entry& entry, int step) {
  MenuOutcome outcome;
  outcome.redraw = true;
  auto volume = [&](int* value) {
    // Choosing goes up and round, so a pad's one button reaches every step.
    const int next = step == 0 ? (*value >= 100 ? 0 : *value + kVolumeStep)
                               : std::clamp(*value + step * kVolumeStep, 0, 100);
    outcome.settings_changed = next != *value;
    *value = next;
  };
  if (step != 0 && entry.row != Row::kVolume && entry.row != Row::kMusic &&
      entry.row != Row::kFullScreen && entry.row != Row::kScaling)
    return outcome;
  switch (entry.row) {
    case Row::kResume:
      Close();
      outcome.close = true;
      break;
    case Row::kSound:
      Go(MenuScreen::kSound);
      break;
    case Row::kDisplay:
      Go(MenuScreen::kDisplay);
      break;
    case Row::kControls:
      Go(MenuScreen::kControls);
      break;
    case Row::kHighScores:
      Go(MenuScreen::kHighScores);
      break;
    case Row::kQuit:
      Go(MenuScreen::kQuit);
      break;
    case Row::kVolume:
      volume(&settings_->volume);
      break;
    case Row::kMusic:
      volume(&settings_->music_volume);
      break;
    case Row::kFullScreen:
      outcome.toggle_full_screen = true;
      outcome.settings_changed = true;
      break;
    case Row::kScaling: {
      constexpr int kCount = int(std::size(kScalingNames));
      settings_->scaling =
          Scaling((int(settings_->scaling) + (step < 0 ? kCount - 1 : 1)) % kCount);
      outcome.settings_changed = true;
      break;
    }
    case Row::kAction:
      waiting_ = true;
      break;
    case Row::kResetControls: {
      const Settings defaults;
      outcome.settings_changed = settings_->keys != defaults.keys || settings_->pad != defaults.pad;
      outcome.bindings_changed = outcome.settings_changed;
      settings_->keys = defaults.keys;
      settings_->pad = defaults.pad;
      notice_ = "controls reset";
      break;
    }
  }
  return outcome;
}

MenuOutcome Menu::BindKeyPress(uint8_t key) {
  MenuOutcome outcome;
  if (!waiting_) return outcome;
  outcome.redraw = true;
  waiting_ = false;
  if (key == kDikEscape) return outcome;
  const Action action = Action(Entries()[selected_].action);
  const Settings before = *settings_;
  notice_ = BindKey(settings_, action, key);
  outcome.settings_changed = outcome.bindings_changed = !(before == *settings_);
  return outcome;
}

MenuOutcome Menu::BindPadPress(PadButton button) {
  MenuOutcome outcome;
  if (!waiting_) return outcome;
  outcome.redraw = true;
  waiting_ = false;
  const Action action = Action(Entries()[selected_].action);
  PadAction pad_action;
  if (!PadActionOf(action, &pad_action)) {
    notice_ = std::string("no pad button for ") + ActionName(action);
    return outcome;
  }
  const Settings before = *settings_;
  notice_ = BindPadButton(settings_, pad_action, button);
  outcome.settings_changed = outcome.bindings_changed = !(before == *settings_);
  return outcome;
}

MenuPicture Menu::Picture(const std::function<std::string(uint8_t)>& key_name) const {
  MenuPicture picture;
  picture.notice = notice_;
  auto on_off = [](bool on) { return on ? "on" : "off"; };
  const std::vector<Entry> entries = Entries();
  for (int i = 0; i < int(entries.size()); ++i) {
    const Entry& entry = entries[i];
    std::string text;
    switch (entry.row) {
      case Row::kResume:
        text = "Resume";
        break;
      case Row::kSound:
        text = "Sound";
        break;
      case Row::kDisplay:
        text = "Display";
        break;
      case Row::kControls:
        text = "Controls";
        break;
      case Row::kHighScores:
        text = "High scores";
        break;
      case Row::kQuit:
        text = "Quit";
        break;
      case Row::kVolume:
        text = "Volume  < " + std::to_string(settings_->volume) + " >";
        break;
      case Row::kMusic:
        text = "Music  < " + std::to_string(settings_->music_volume) + " >";
        break;
      case Row::kFullScreen:
        text = std::string("Full screen  < ") + on_off(settings_->fullscreen) + " >";
        break;
      case Row::kAction: {
        text = Upper(ActionName(Action(entry.action))) + ":";
        for (uint8_t key : settings_->keys[size_t(entry.action)]) text += "  " + key_name(key);
        PadAction pad_action;
        if (PadActionOf(Action(entry.action), &pad_action))
          for (PadButton button : settings_->pad[size_t(pad_action)])
            text += std::string("  pad ") + PadButtonName(button);
        break;
      }
      case Row::kScaling: {
        static constexpr const char* kShown[] = {"sharp then smooth", "whole pixels", "stretched"};
        text = std::string("Scaling  < ") + kShown[size_t(settings_->scaling)] + " >";
        break;
      }
      case Row::kResetControls:
        text = "Reset controls";
        break;
    }
    picture.lines.push_back({text, i == selected_});
  }
  switch (screen_) {
    case MenuScreen::kTop:
      picture.title = "PAUSED";
      break;
    case MenuScreen::kSound:
      picture.title = "SOUND";
      break;
    case MenuScreen::kDisplay:
      picture.title = "DISPLAY";
      break;
    case MenuScreen::kControls:
      picture.title = "CONTROLS";
      break;
    case MenuScreen::kHighScores:
      picture.title = "HIGH SCORES";
      for (const std::string& line : high_scores_) picture.lines.push_back({line, false});
      if (high_scores_.empty()) picture.lines.push_back({"no games yet", false});
      break;
    case MenuScreen::kQuit:
      picture.title = "Quit? Enter = yes";
      break;
  }
  if (waiting_)
    picture.notice = std::string("press a key or pad button for ") +
                     ActionName(Action(entries[selected_].action)) + " (Escape cancels)";
  return picture;
}

}  // namespace host::common
