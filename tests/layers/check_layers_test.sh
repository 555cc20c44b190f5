#!/usr/bin/env bash
# The layer check passes on the tree, and fails, naming file and line, on each kind of
# include that crosses a layer, planted alone in a scratch tree.
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

# A scratch tree holding one file with one include. A crossing must fail, naming the file and
# line and saying what crossed; an allowed include must pass.
planted=0
plant() {
  local file=$1 include=$2 expect=$3
  rm -rf "$work/tree"
  mkdir -p "$work/tree/$(dirname "$file")"
  printf '// scratch\n%s\n' "$include" >"$work/tree/$file"
  local out status=0
  out=$("$check" "$work/tree" 2>&1) || status=$?
  if [[ -z $expect ]]; then
    [[ $status -eq 0 ]] || fail "$include in $file was refused: $out"
    return
  fi
  [[ $status -ne 0 ]] || fail "$include in $file passed"
  grep -qF "$file:2: $expect" <<<"$out" || fail "$include in $file: wrong report: $out"
  planted=$((planted + 1))
}

# Up and sideways through the game and the engine.
plant gfx/display.cpp '#include "game/world.h"' '"game/world.h": the gfx layer may not include the game layer'
plant game/levels.cpp '#include "app/app.h"' '"app/app.h": the game layer may not include the app layer'
plant input/input.cpp '#include "sound/sound.h"' '"sound/sound.h": the input layer may not include the sound layer'
plant shell/random.cpp '#include "gfx/text.h"' '"gfx/text.h": the shell layer may not include the gfx layer'
plant game/levels.cpp '#include "recording/trace.h"' '"recording/trace.h": the game layer may not include the recording layer'
plant app/frame.cpp '#include "host/headless/headless_host.h"' '"host/headless/headless_host.h": the app layer may not include the host/headless layer'
plant sound/sound.cpp '#include "platform/mixer.h"' '"platform/mixer.h": the sound layer may not include the platform layer'
# The stand-ins see the interface and the font, nothing else of the hosts.
plant platform/ddraw.cpp '#include "host/sdl/sdl_host.h"' '"host/sdl/sdl_host.h": the platform layer may not include the host/sdl layer'
plant platform/gdi.cpp '#include "host/common/kept_page.h"' '"host/common/kept_page.h": the platform layer may not include the host/common layer'
plant platform/gdi.cpp '#include "host/common/font.h"' ''
plant platform/win32.cpp '#include "host/host.h"' ''
# The hosts: nothing above them, not each other, and their own platform each.
plant host/host.cpp '#include <windows.h>' '<windows.h>: the host layer may not include the stand-ins'
plant host/host.h '#include "host/common/font.h"' '"host/common/font.h": the host layer may not include the host/common layer'
plant host/common/kept_page.cpp '#include "host/sdl/sdl_handle.h"' '"host/sdl/sdl_handle.h": the host/common layer may not include the host/sdl layer'
plant host/common/game_keys.h '#include "main/settings_file.h"' '"main/settings_file.h": the host/common layer may not include the main layer'
plant host/sdl/sdl_host.cpp '#include "host/web/web_input.h"' '"host/web/web_input.h": the host/sdl layer may not include the host/web layer'
plant host/web/web_host.cpp '#include "host/headless/headless_host.h"' '"host/headless/headless_host.h": the host/web layer may not include the host/headless layer'
plant host/headless/headless_host.cpp '#include "platform/mixer.h"' '"platform/mixer.h": the host/headless layer may not include the platform layer'
plant host/sdl/sdl_host.cpp '#include "host/common/kept_page.h"' ''
plant gfx/new_file.cpp '#include <SDL.h>' '<SDL.h>: only host/sdl/ may include SDL'
plant host/web/web_host.cpp '#include <SDL2/SDL.h>' '<SDL2/SDL.h>: only host/sdl/ may include SDL'
plant host/sdl/sdl_host.cpp '#include <emscripten.h>' '<emscripten.h>: only host/web/ may include emscripten'
plant main/sdl_main.cpp '#  include <emscripten/html5.h>' '<emscripten/html5.h>: only host/web/ may include emscripten'
echo "check-layers test: the tree passes; $planted planted crossings fail with their file and line"
