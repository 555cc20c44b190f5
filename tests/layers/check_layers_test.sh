#!/usr/bin/env bash
# The layer check passes on the tree, and fails, naming file and line, on each kind of
# include that crosses a layer, planted in a scratch copy of the layered folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-layers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$check" "$root" >/dev/null 2>&1 || fail "the tree itself does not pass"

# Each case: a file, the line to add, and what the report must say about it.
plant() {
  local file=$1 include=$2 expect=$3
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  (cd "$root" && cp -r app game gfx input sound shell platform main tools "$work/tree/")
  mkdir -p "$(dirname "$work/tree/$file")"
  local line=1
  [[ -f $work/tree/$file ]] && line=$(($(wc -l <"$work/tree/$file") + 1))
  echo "$include" >>"$work/tree/$file"
  local out status=0
  out=$("$check" "$work/tree" 2>&1) || status=$?
  [[ $status -ne 0 ]] || fail "$include in $file passed"
  grep -qF "$file:$line: $expect" <<<"$out" || fail "$include in $file: wrong report: $out"
}

plant gfx/display.cpp '#include "game/world.h"' '"game/world.h": the gfx layer may not include the game layer'
plant game/levels.cpp '#include "app/app.h"' '"app/app.h": the game layer may not include the app layer'
plant input/input.cpp '#include "sound/sound.h"' '"sound/sound.h": the input layer may not include the sound layer'
plant shell/random.cpp '#include "gfx/text.h"' '"gfx/text.h": the shell layer may not include the gfx layer'
plant app/frame.cpp '#include "platform/host/headless_host.h"' '"platform/host/headless_host.h": the app layer may not include the host layer'
plant sound/sound.cpp '#include "platform/mixer.h"' '"platform/mixer.h": the sound layer may not include the platform layer'
plant platform/ddraw.cpp '#include "platform/host/sdl_host.h"' '"platform/host/sdl_host.h": the platform layer may not include the host layer'
plant platform/host/host.cpp '#include <windows.h>' '<windows.h>: the host layer may not include the stand-ins'
plant gfx/new_file.cpp '#include <SDL.h>' '<SDL.h>: only platform/host/ may include SDL or emscripten'
plant main/sdl_main.cpp '#  include <emscripten/html5.h>' '<emscripten/html5.h>: only platform/host/ may include SDL or emscripten'
echo "check-layers test: the tree passes; 10 planted crossings fail with their file and line"
