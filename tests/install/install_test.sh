#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, moves the tree elsewhere, checks what landed where,
# and (with --launch) starts the installed game through its launcher from an unrelated folder.
# usage: install_test.sh BUILD_DIR OUT_DIR BINDIR LIBEXECDIR DATADIR
#                        [--launch] [--desktop-file-validate] [--appstream-validate]
set -euo pipefail
build=$(realpath "$1")
out=$2
bindir=$3
libexecdir=$4
datadir=$5
shift 5
id=io.github.ferrowyn.Ferrowyn
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
fail() {
  echo "FAIL: $*" >&2
  echo "files and logs: $out" >&2
  exit 1
}

# Installed for /usr, then moved: the launcher must not depend on either place.
DESTDIR=$out/dest "${CMAKE:-cmake}" --install "$build" --prefix /usr >"$out/install.log"
mv "$out/dest/usr" "$out/moved"
prefix=$out/moved

[[ -x $prefix/$bindir/ferrowyn ]] || fail "no launcher in $bindir"
[[ -x $prefix/$libexecdir/ferrowyn/ferrowyn ]] || fail "no game in $libexecdir/ferrowyn"
for file in PLAYERS.BMP EXPLODE.BMP ARSENAL.BMP BORDER.BMP TITLE.BMP \
  Shot.WAV Explode.WAV intro.WAV Minedrop.WAV Pickup.WAV team.WAV plan.WAV; do
  cmp -s "$build/bin/$file" "$prefix/$datadir/ferrowyn/$file" || fail "$file not installed as built"
done
desktop=$prefix/$datadir/applications/$id.desktop
metainfo=$prefix/$datadir/metainfo/$id.metainfo.xml
icon=$prefix/$datadir/icons/hicolor/256x256/apps/$id.png
[[ -f $desktop && -f $metainfo ]] || fail "desktop entry or metainfo missing"
[[ $(identify -format '%m %wx%h' "$icon") == "PNG 256x256" ]] || fail "icon is not a 256x256 PNG"
# The player's tank is green: the icon's middle must be mostly green.
read -r red green blue < <(convert "$icon" -gravity center -crop 96x96+0+0 -resize 1x1! \
  -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]\n' info:)
((green > red + 20 && green > blue + 20)) || fail "icon centre is not green ($red $green $blue)"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "metainfo launches another desktop entry"
echo "ok: layout, data files, icon"

for check in "$@"; do
  case $check in
    --desktop-file-validate)
      desktop-file-validate "$desktop" || fail "desktop-file-validate"
      echo "ok: desktop-file-validate"
      ;;
    --appstream-validate)
      appstreamcli validate --no-net "$metainfo" >"$out/appstream.log" ||
        fail "appstreamcli validate: $(cat "$out/appstream.log")"
      echo "ok: appstreamcli validate"
      ;;
    --launch)
      # From an unrelated folder and through PATH, as the desktop entry's Exec= does.
      mkdir -p "$out/elsewhere"
      cd "$out/elsewhere"
      convert "$prefix/$datadir/ferrowyn/TITLE.BMP" "$out/expected-title.png"
      PATH=$prefix/$bindir:$PATH SDL_AUDIODRIVER=dummy OUT=$out \
        xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' bash -c '
          set -u
          ferrowyn 2>"$OUT/game.err" &
          game=$!
          trap "kill $game 2>/dev/null" EXIT
          for _ in $(seq 50); do
            import -window root "$OUT/shot.png" 2>/dev/null &&
              difference=$(compare -metric RMSE "$OUT/shot.png" "$OUT/expected-title.png" \
                null: 2>&1 | sed -E "s/.*\((.*)\).*/\1/") &&
              awk -v d="$difference" "BEGIN { exit !(d < 0.05) }" && break
            sleep 0.1
          done
          xdotool key Escape
          for _ in $(seq 40); do kill -0 $game 2>/dev/null || break; sleep 0.05; done
          kill -0 $game 2>/dev/null && exit 3
          wait $game
        ' || fail "the installed game did not start and end with Escape (status $?)"
      compare -metric RMSE "$out/shot.png" "$out/expected-title.png" null: 2>"$out/rmse" || true
      awk '{ gsub(/[()]/, "", $2); exit !($2 < 0.05) }' "$out/rmse" ||
        fail "no title picture on the screen ($(cat "$out/rmse"))"
      ! grep -F "cannot read" "$out/game.err" || fail "the game did not find its data files"
      echo "ok: the launcher starts the game in its data folder from $out/elsewhere"
      ;;
    *) fail "unknown check $check" ;;
  esac
done
