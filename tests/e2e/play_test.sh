#!/usr/bin/env bash
# Plays the real game on a private X server: real key events, real screenshots.
# usage: play_test.sh MODE GAME DATA_DIR OUT_DIR [HEADLESS_RUNNER]
#   MODE: play, close, missing-data, screen, options, window, elsewhere, no-display, record,
#         memory, menu, scores
# Screenshots stay in OUT_DIR; a failure names the folder. Every wait for the game or the X
# server ends when what it waits for is there, or fails after e2e_patience seconds naming it.
# Exits 77 (CTest's skip) naming what is missing when the X tools are not installed.
set -euo pipefail
missing=()
for tool in Xvfb xdotool import compare convert; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${1:-} == close ]]; then
  for tool in matchbox-window-manager wmctrl; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
fi
if ((${#missing[@]})); then
  echo "SKIPPED: not installed: ${missing[*]}"
  exit 77
fi
mode=$1
game=$(realpath "$2")
data=$(realpath "$3")
out=$4
runner=${5:-}
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
# The player's own settings and scores never reach a test: each run has folders of its own.
export XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data-home

export e2e_out=$out
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  echo "screenshots and logs: $out" >&2
  exit 1
}

# A free display of our own, so parallel runs never meet; 800 x 600 shows the page 1:1, the
# screen test takes a wide screen.
screen=800x600x24
[[ $mode == screen || $mode == window ]] && screen=1920x1080x24
start_xvfb "$screen" "$out"
pids+=("$xvfb_pid")
# A window manager when there is one; only the close test needs it. It makes every window
# fill the screen, so the window test goes without.
if [[ $mode != window ]] && command -v matchbox-window-manager >/dev/null; then
  matchbox-window-manager -use_titlebar no 2>"$out/wm.log" &
  pids+=($!)
fi

# start_game FOLDER [OPTION...]: the game started from FOLDER.
start_game() {
  local folder=$1
  shift
  (cd "$folder" && exec env SDL_AUDIODRIVER=dummy "$game" "$@" 2>"$out/game.err") &
  game_pid=$!
  pids+=("$game_pid")
}
# The same picture twice, a second apart: nothing moved.
stands_still() {
  shot "$1-a"
  sleep 1
  shot "$1-b"
  [[ $(compare -metric AE "$out/$1-a.png" "$out/$1-b.png" null: 2>&1 || true) == 0 ]]
}
# The picture moves: the same check, expected to fail.
moves() { ! stands_still "$1"; }
# The x of the player's tank on a new screenshot NAME, or -1 when it is not there.
player_x() {
  local found
  found=$(tank_box "$1")
  [[ $found == 0x0* ]] && echo -1 && return
  x_of "$found"
}
x_of() { sed -E 's/^[0-9]+x[0-9]+\+([0-9]+)\+.*/\1/' <<<"$1"; }
# The tank is on the screen: its box in `before`. Enemies fire from the start, and a tank shot
# is away for a while.
tank_in_sight() {
  before=$(tank_box still)
  note="no tank colour in $out/still.png"
  [[ $before != 0x0* ]]
}
# drive KEY: holds KEY until the tank seen in `before` is more than 20 pixels further right
# (moved=1), or is gone (shot), or the wait runs out. The last box in `after`.
drive() {
  local deadline=$((SECONDS + e2e_patience))
  timeout 10 xdotool keydown "$1"
  while ((SECONDS < deadline)); do
    after=$(tank_box moved)
    [[ $after == 0x0* ]] && break
    (($(x_of "$after") > $(x_of "$before") + 20)) && moved=1 && break
  done
  timeout 10 xdotool keyup "$1"
}
# Waits for the title picture; on a larger screen the page is the area GEOMETRY of it,
# brought back to 800 x 600 to compare.
title_shown() {
  shot title
  if [[ -n $area ]]; then
    convert "$out/title.png" -crop "$area" +repage -resize '800x600!' "$out/title-page.png"
  else
    cp "$out/title.png" "$out/title-page.png"
  fi
  value=$(rmse "$out/title-page.png" "$out/expected-title.png")
  note="difference $value"
  below "$value" 0.05
}
wait_for_title() {
  area=${1:-}
  convert "$data/TITLE.BMP" "$out/expected-title.png"
  local started=$SECONDS
  wait_for "$e2e_patience" "the title picture" title_shown
  echo "ok: title picture after $((SECONDS - started)) s (difference $value)"
}
window_named() {
  window=$(xdotool search --onlyvisible --name '^Ferrowyn v1.0$' 2>/dev/null | head -n1 || true)
  [[ -n $window ]]
}
# Keys go to the window with the focus.
focused_window() {
  window_named && [[ $(xdotool getwindowfocus 2>/dev/null) == "$window" ]]
}

case $mode in
  missing-data)
    mapfile -t files <"${FERROWYN_DATA_LIST:?names the list of data files}"
    ((${#files[@]} > 0)) || fail "no data files listed in $FERROWYN_DATA_LIST"
    # A folder with nothing of the data: the game says so, naming the folder (and in a message
    # box where the X server has the fonts for one), and ends with status 1.
    mkdir -p "$out/empty" "$out/some"
    start_game "$out/empty" --data "$out/empty"
    wait_for "$e2e_patience" "the game to end without its data" eval '! kill -0 "$game_pid" 2>/dev/null'
    status=0
    wait "$game_pid" || status=$?
    game_pid=
    [[ $status -eq 1 ]] || fail "exit status $status for an empty --data folder (want 1)"
    grep -qF "cannot find its pictures and sounds" "$out/game.err" &&
      grep -qF "$out/empty" "$out/game.err" || fail "no line naming the empty folder: $(cat "$out/game.err")"
    echo "ok: an empty --data folder is refused, naming it, with status 1"

    # Some files missing: the game plays, with one warning naming the folder for each.
    missing=("${files[2]}" "${files[-1]}")
    for file in "${files[@]}"; do
      [[ " ${missing[*]} " == *" $file "* ]] || cp "$data/$file" "$out/some/"
    done
    start_game "$out/some" --data "$out/some"
    # The game opens its window, then reads its files: keys count once all are tried.
    all_tried() {
      local file
      for file in "${missing[@]}"; do grep -qF "$file" "$out/game.err" || return 1; done
    }
    wait_for "$e2e_patience" "a warning for each missing file" all_tried
    wait_for "$e2e_patience" "the game's window with the focus" focused_window
    press Escape 0.3
    expect_exit "$e2e_patience" "Escape with two data files missing"
    for file in "${files[@]}"; do
      want=0
      [[ " ${missing[*]} " == *" $file "* ]] && want=1
      count=$(grep -cF "$file" "$out/game.err" || true)
      [[ $count -eq $want ]] || fail "$count warning lines for $file (want $want)"
      ((want == 0)) || grep -F "$file" "$out/game.err" | grep -qF "$out/some" ||
        fail "warning for $file names no folder"
    done
    echo "ok: one warning line, with the folder, for each missing file"
    ;;

  close)
    start_game "$data"
    wait_for_title
    # The window manager asks the window to close, as its close button would.
    wmctrl -c "Ferrowyn v1.0" || fail "window manager found no game window"
    expect_exit "$e2e_patience" "closing the window"
    echo "ok: closing the window ends the game with status 0"
    ;;

  screen)
    # 1920 x 1080: the page enlarged to 1440 x 1080 between black bars; Print Screen saves
    # the page itself into the pictures folder.
    export XDG_PICTURES_DIR=$out/pictures
    start_game "$data"
    wait_for_title 1440x1080+240+0
    for bar in 240x1080+0+0 240x1080+1680+0; do
      brightest=$(convert "$out/title.png" -crop "$bar" +repage -format '%[fx:maxima]' info:)
      below "$brightest" 0.01 || fail "the bar $bar is not black ($brightest)"
    done
    echo "ok: the title fills 1440 x 1080 between black bars"

    xdotool key Print
    wait_for "$e2e_patience" "a picture in $XDG_PICTURES_DIR after Print Screen" \
      compgen -G "$XDG_PICTURES_DIR/*.png"
    shots=("$XDG_PICTURES_DIR"/*)
    ((${#shots[@]} == 1)) || fail "${#shots[@]} files in the pictures folder (want 1)"
    name=$(basename "${shots[0]}")
    [[ $name =~ ^ferrowyn-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\.png$ ]] ||
      fail "screenshot named $name"
    [[ $(identify -format '%m %wx%h' "${shots[0]}") == "PNG 800x600" ]] ||
      fail "screenshot is not an 800 x 600 PNG"
    bytes=$(stat -c %s "${shots[0]}")
    ((bytes < 800 * 600 * 3 / 10)) || fail "the screenshot takes $bytes bytes: not compressed"
    value=$(rmse "${shots[0]}" "$out/title-page.png")
    below "$value" 0.05 || fail "the screenshot is not the page on the screen (difference $value)"
    echo "ok: Print Screen saved $name, $bytes bytes (difference from the screen $value)"

    xdotool key Escape
    expect_exit "$e2e_patience" "Escape"
    echo "ok: Escape ends the game with status 0"
    ;;

  play)
    tank_colours "$data"
    start_game "$data"
    wait_for_title

    xdotool key F1
    convert "$data/BORDER.BMP" "$out/expected-border.png"
    field_shown() {
      shot play
      value=$(rmse "$out/play.png" "$out/expected-border.png")
      note="difference $value"
      below "$value" 0.05
    }
    wait_for "$e2e_patience" "the border picture after F1" field_shown
    # The banner is the only thing drawn over the field's top middle at the start.
    crop "$out/play.png" 200x60+340+195 "$out/banner.png"
    crop "$out/expected-border.png" 200x60+340+195 "$out/banner-without.png"
    value=$(rmse "$out/banner.png" "$out/banner-without.png")
    below 0.02 "$value" || fail "no level banner (difference $value)"
    echo "ok: F1 shows the border picture and the level banner"

    # Fired at once, before an enemy can hit the tank. A shell in flight is the only white
    # on the field; the enemies' shells look the same, so wait until none is flying.
    field_clear() {
      shot play
      clear=$(find_colours "$out/play.png" '#FFFFFF')
      note="white at $clear"
      [[ $clear == 0x0* ]]
    }
    wait_for "$e2e_patience" "no shell in flight" field_clear
    xdotool key space
    # It crosses the field in about half a second: look a few times.
    for _ in 1 2 3 4 5; do
      sleep 0.03
      shot fired
      shell=$(find_colours "$out/fired.png" '#FFFFFF')
      [[ $shell != 0x0* ]] && break
    done
    [[ $shell != 0x0* ]] || fail "Space fired no shell"
    echo "ok: Space fires ($shell)"

    # Enemies fire from the start: a tank shot while driving gets another try once back.
    moved=0 before='' after=''
    for _ in 1 2 3; do
      wait_for "$e2e_patience" "the player's tank on the field" tank_in_sight
      drive Right
      ((moved)) && break
    done
    ((moved)) || fail "Right did not move the tank ($before -> $after)"
    echo "ok: Right moves the tank ($before -> $after)"

    xdotool key F4
    # "MUSIC OFF" in green at (365, 300): nine letters are wider than "MUSIC ON".
    music_off() {
      shot music
      text=$(convert "$out/music.png" -crop 160x30+355+295 +repage \
        -fx 'g > 0.7 && r < 0.5 && b < 0.5 ? 1 : 0' -format '%@' info:)
      note="green text $text"
      ((${text%%x*} >= 50))
    }
    wait_for "$e2e_patience" "\"MUSIC OFF\" after F4" music_off
    echo "ok: F4 shows \"MUSIC OFF\" ($text)"

    xdotool key Escape
    expect_exit "$e2e_patience" "Escape"
    echo "ok: Escape ends the game with status 0"
    ;;
  options)
    # Help and bad options answer on the terminal and open no window.
    "$game" --help >"$out/help.txt" 2>&1 || fail "--help ended with status $?"
    grep -q -- "--window-size" "$out/help.txt" || fail "--help lists no options"
    status=0
    "$game" --volume 150 >"$out/bad.txt" 2>&1 || status=$?
    ((status == 2)) || fail "--volume 150 ended with status $status (want 2)"
    [[ $(wc -l <"$out/bad.txt") -eq 2 ]] && grep -q -- "--volume" "$out/bad.txt" ||
      fail "no one-line reason naming --volume: $(cat "$out/bad.txt")"
    [[ -z $(xdotool search --name Ferrowyn 2>/dev/null) ]] || fail "a window was opened"
    echo "ok: --help (status 0) and a bad value (status 2, one line) open no window"
    ;;

  window)
    # A window of the largest whole multiple of the page that fits, a key bound elsewhere in
    # the settings file, pause by key and by focus loss.
    tank_colours "$data"
    mkdir -p "$XDG_CONFIG_HOME/ferrowyn"
    printf '[keys]\nright = D\n' >"$XDG_CONFIG_HOME/ferrowyn/settings.ini"
    start_game "$data" --window
    wait_for_title 800x600+560+240
    window_named || fail "no window named \"Ferrowyn v1.0\""
    geometry=$(xdotool getwindowgeometry "$window" | grep -o '[0-9]*x[0-9]*$')
    [[ $geometry == 800x600 ]] || fail "the window is $geometry (want 800x600)"
    echo "ok: --window opens an 800 x 600 window on a 1920 x 1080 screen"

    press F1 0.3
    # Enemies fire from the start: a destroyed tank is looked for again once it is back.
    drove=0 stayed=0 moved=0 before='' after='' arrow=''
    for _ in $(seq 8); do
      wait_for "$e2e_patience" "the player's tank on the field" tank_in_sight
      if ((!drove)); then
        drive d
        drove=$moved
      else
        press Right 0.5
        arrow=$(player_x arrow)
        ((arrow == $(x_of "$before"))) && stayed=1 && break
      fi
    done
    ((drove)) || fail "D did not drive the tank right ($before -> $after)"
    ((stayed)) || fail "Right still drives after binding right = D ($before -> x $arrow)"
    echo "ok: D, bound to right in the settings, drives; the Right arrow no longer does"

    press p
    wait_for "$e2e_patience" "the picture to stand still after P" stands_still paused
    press p
    wait_for "$e2e_patience" "the picture to move after P again" moves going
    echo "ok: P pauses and resumes"

    display -geometry 200x200+0+0 "$data/TITLE.BMP" &
    pids+=($!)
    other_window() {
      other=$(xdotool search --onlyvisible --class display 2>/dev/null | head -n1 || true)
      [[ -n $other ]]
    }
    wait_for "$e2e_patience" "a second window to take the focus" other_window
    xdotool windowfocus "$other"
    wait_for "$e2e_patience" "the picture to stand still with the focus elsewhere" \
      stands_still unfocused
    xdotool windowfocus "$window"
    wait_for "$e2e_patience" "the picture to move with the focus back" moves refocused
    echo "ok: losing the focus pauses, getting it back goes on"
    kill "${pids[-1]}" 2>/dev/null || true

    press Escape 0.3
    expect_exit "$e2e_patience" "Escape"
    echo "ok: Escape ends the game with status 0"
    ;;

  elsewhere)
    # Started from a folder without the data, the game finds it beside itself.
    mkdir -p "$out/somewhere"
    start_game "$out/somewhere"
    wait_for_title
    ! grep -F "cannot read" "$out/game.err" || fail "the game did not find its data"
    echo "ok: started from another folder, the game found its data"
    press Escape
    expect_exit "$e2e_patience" "Escape"
    echo "ok: Escape ends the game with status 0"
    ;;

  memory)
    # Xvfb's only GL is Mesa's CPU rasteriser: the automatic choice keeps to software, and its
    # GL driver (LLVM and all, some 70 MB) must not stay in the game for the question.
    declare -A resident driver
    for renderer in software auto; do
      start_game "$data" --window --renderer "$renderer"
      sleep 4
      wait_for_title
      resident[$renderer]=$(awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status")
      driver[$renderer]=$(grep -m1 -oE '[^/]*(_dri\.so|libLLVM|libGLX_mesa).*' \
        "/proc/$game_pid/maps" || true)
      press Escape
      expect_exit 2 "Escape"
    done
    echo "resident at the title: ${resident[software]} kB with --renderer software," \
      "${resident[auto]} kB with --renderer auto"
    [[ -z ${driver[auto]} ]] || fail "a GL driver stays in the game with auto: ${driver[auto]}"
    ((resident[auto] <= resident[software] + 2048)) ||
      fail "auto holds $((resident[auto] - resident[software])) kB more than software"
    echo "ok: the automatic choice costs what software does, within 2 MB"
    ;;

  no-display)
    status=0
    (unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER XDG_RUNTIME_DIR
      timeout "$e2e_patience" "$game" --data "$data" >"$out/game.out" 2>"$out/game.err") ||
      status=$?
    ((status == 1)) || fail "status $status without a display (want 1)"
    grep -q "^ferrowyn: no display" "$out/game.err" || fail "no line saying so: $(cat "$out/game.err")"
    [[ $(wc -l <"$out/game.err") -eq 1 ]] || fail "more than one line for one cause: $(cat "$out/game.err")"
    echo "ok: no display: status 1 and \"$(grep '^ferrowyn: no display' "$out/game.err")\""
    ;;

  record)
    # A real game recorded, then replayed by the headless runner with no divergence.
    start_game "$data" --record "$out/game.rec"
    wait_for_title
    press F1 0.3
    sleep 0.5
    xdotool keydown space
    press Right 0.6
    press Up 0.4
    xdotool keyup space
    press Control_L 0.3
    press Left 0.5
    sleep 0.5
    press Escape 0.3
    expect_exit "$e2e_patience" "Escape"
    checks=$(grep -c ' check ' "$out/game.rec" || true)
    ((checks >= 3)) || fail "only $checks checksums recorded"
    grep -q ' down SPACE' "$out/game.rec" || fail "the recording has no Space"
    status=0
    "$runner" --data "$data" --replay "$out/game.rec" --trace "$out/replay.jsonl" \
      >"$out/replay.out" 2>"$out/replay.err" || status=$?
    ((status == 0)) || fail "the replay ended with status $status: $(cat "$out/replay.err")"
    recorded=$(sed -n 's/^frames \([0-9]*\)$/\1/p' "$out/game.rec")
    grep -q "^ferrowyn-headless: $recorded frames," "$out/replay.out" ||
      fail "the recording says $recorded frames, the runner: $(cat "$out/replay.out")"
    echo "ok: a recorded game ($checks checksums, $recorded frames) replays headless without a divergence"

    # In the window it plays to the recording's end by itself, and says how it went.
    start_game "$data" --replay "$out/game.rec"
    expect_exit "$e2e_patience" "the recording's end"
    grep -qF "ferrowyn: --replay: replayed $recorded frames, every checksum matched ($checks)" \
      "$out/game.err" || fail "no closing line from the window's replay: $(cat "$out/game.err")"
    echo "ok: the window's replay ends with the recording and says so"

    # A game killed while recording leaves no closing lines: played to its last line.
    grep -v -e '^frames ' -e ' ESCAPE$' "$out/game.rec" >"$out/cut.rec"
    start_game "$data" --replay "$out/cut.rec"
    expect_exit "$e2e_patience" "the cut recording's last line"
    grep -qF "ends without its closing lines" "$out/game.err" &&
      grep -qF "every checksum matched" "$out/game.err" ||
      fail "the cut recording did not end as it should: $(cat "$out/game.err")"
    echo "ok: a recording cut short replays to its last line in the window, and says so"
    ;;

  menu)
    # The menu over the paused game: Controls, Fire, then F binds it, and F fires (the
    # recording sees the game's fire key); the settings file keeps it. Quit asks first.
    start_game "$data" --record "$out/game.rec"
    wait_for_title
    press F1 0.3
    wait_for "$e2e_patience" "F1 in the recording" grep -q ' down F1' "$out/game.rec"
    press p
    # The menu's selection is drawn in its own yellow.
    menu_shown() { shot menu && [[ $(find_colours "$out/menu.png" '#FFDC40') != 0x0* ]]; }
    wait_for "$e2e_patience" "the menu with a selection" menu_shown
    for key in Down Down Down Return Down Down Down Down Return f Escape Escape; do
      press "$key" 0.1
    done
    wait_for "$e2e_patience" "fire = F in the settings file" \
      grep -q '^fire = F$' "$XDG_CONFIG_HOME/ferrowyn/settings.ini"
    echo "ok: Fire rebound to F in the menu, and kept in the settings file at once"
    press f 0.4
    wait_for "$e2e_patience" "F to fire (SPACE in the recording)" grep -q ' down SPACE' "$out/game.rec"
    press p
    wait_for "$e2e_patience" "the menu again" menu_shown
    press Up 0.1
    press Return 0.1
    press Return 0.1
    expect_exit "$e2e_patience" "Quit, then Enter, in the menu"
    ! grep -q ' down ESCAPE' "$out/game.rec" || fail "Escape in the menu reached the game"
    echo "ok: F fires, and Escape in the menu never reached the game"
    [[ $("$game" --high-scores) == "No games yet." ]] || fail "a quit game entered the table"
    ;;

  scores)
    # A game left alone to its end enters the table, and the host says so over the game over.
    start_game "$data" --window
    wait_for_title
    press F1 0.3
    # The enemies end an idle game in about 45 s; a loaded machine takes longer.
    wait_for $((e2e_patience * 3)) "the game's end in the high-score table" \
      test -s "$XDG_DATA_HOME/ferrowyn/scores"
    high_score_shown() { shot game-over && [[ $(find_colours "$out/game-over.png" '#FFDC40') != 0x0* ]]; }
    wait_for "$e2e_patience" "NEW HIGH SCORE over the game over" high_score_shown
    press Escape 0.3
    expect_exit "$e2e_patience" "Escape"
    listed=$("$game" --high-scores)
    grep -qE '^ 1\. +[0-9]+  level 1  [0-9-]{10}  keyboard$' <<<"$listed" ||
      fail "--high-scores lists: $listed"
    echo "ok: a finished game is first in the table: $listed"
    ;;

  *)
    fail "unknown mode $mode"
    ;;
esac
