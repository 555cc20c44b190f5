# shellcheck shell=bash
# Shell helpers for the checks that drive the real game on an X server and read its screen:
# tests/e2e/play_test.sh and scripts/test-wine source this file.
# The sourcing script sets e2e_out (where screenshots go) and defines fail MESSAGE, which
# ends the check; game_pid is the game's process once started.

# How long a wait for the game or the X server may take before it fails. A loaded machine
# (two test runs and a build on two cores) can be slow by tens of seconds; a wait ends as
# soon as what it waits for is there, so only a failing check waits this long.
e2e_patience=${FERROWYN_E2E_PATIENCE:-60}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; fails naming WHAT when
# SECONDS pass first, with what COMMAND last left in `note` (it runs in this shell).
wait_for() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  note=
  until "$@"; do
    ((SECONDS < deadline)) || fail "waited $limit s for $what${note:+ (last: $note)}"
    sleep 0.1
  done
}

# start_xvfb SCREEN LOG_DIR: a display of our own (so parallel runs never meet), exported as
# DISPLAY; its process in xvfb_pid.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$2/display" >"$2/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "$e2e_patience" "Xvfb to start (see $2/xvfb.log)" test -s "$2/display"
  DISPLAY=:$(head -n1 "$2/display")
  export DISPLAY
}

shot() { timeout 60 import -window root "$e2e_out/$1.png" || fail "no screenshot $1"; }
# Normalised root-mean-square difference of two pictures, 0 = the same.
rmse() {
  local result
  result=$(compare -metric RMSE "$1" "$2" null: 2>&1) || true
  sed -E 's/.*\((.*)\).*/\1/' <<<"$result"
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
colours() { convert "$@" -unique-colors -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | sort -u; }
crop() { convert "$1" -crop "$2" +repage "$3"; }
# The bounding box ("WxH+X+Y") of the pixels in a listed colour, or "0x0+..." when none.
find_colours() {
  local picture=$1
  shift
  local args=(-fill '#FF00FE')
  local colour
  for colour in "$@"; do args+=(-opaque "$colour"); done
  convert "$picture" "${args[@]}" -fill black +opaque '#FF00FE' -format '%@' info: 2>/dev/null
}
# "W H X Y" of a box.
box() { sed -E 's/^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$/\1 \2 \3 \4/' <<<"$1"; }

# The player's tank colours (into the array tank) from the data folder $1: those of its eight
# headings that neither the title, the field nor an enemy tank has, so that they find the tank
# on any screen of the game.
tank_colours() {
  mapfile -t tank < <(comm -23 <(colours "$1/PLAYERS.BMP" -crop 264x32+1+1 +repage) \
    <(sort -u <(colours "$1/TITLE.BMP") <(colours "$1/BORDER.BMP") \
      <(colours "$1/PLAYERS.BMP" -crop 264x32+1+34 +repage)))
  ((${#tank[@]} > 0)) || fail "the player's tank has no colour of its own"
}
# The box of the player's tank in a new screenshot NAME ("0x0+..." when it is not there).
tank_box() {
  shot "$1"
  find_colours "$e2e_out/$1.png" "${tank[@]}"
}

# Holds a key long enough for a game that looks at its keys once a frame (default 0.2 s).
press() {
  timeout 10 xdotool keydown "$1"
  sleep "${2:-0.2}"
  timeout 10 xdotool keyup "$1"
}

# expect_exit SECONDS WHAT: the game (game_pid) ends within SECONDS of WHAT, with status 0.
expect_exit() {
  local status=0
  wait_for "$1" "the game to end after $2" eval '! kill -0 "$game_pid" 2>/dev/null'
  wait "$game_pid" || status=$?
  game_pid=
  ((status == 0)) || fail "exit status $status after $2"
}
