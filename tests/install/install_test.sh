#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, moves the tree elsewhere, checks what landed where,
# and runs the installed programs from an unrelated folder: they find their data themselves and
# take relative paths from that folder. With --launch it also starts the game on a private X
# server and records a game into the folder it was started in.
# usage: install_test.sh BUILD_DIR OUT_DIR BINDIR GAME_DATADIR DATADIR VERSION
#                        [--launch] [--desktop-file-validate] [--appstream-validate]
set -euo pipefail
build=$(realpath "$1")
out=$2
bindir=$3
gamedata=$4
datadir=$5
version=$6
shift 6
id=io.github.ferrowyn.Ferrowyn
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
fail() {
  echo "FAIL: $*" >&2
  echo "files and logs: $out" >&2
  exit 1
}

# Installed for /usr, then moved: the programs must depend on neither place.
DESTDIR=$out/dest "${CMAKE:-cmake}" --install "$build" --prefix /usr >"$out/install.log"
mv "$out/dest/usr" "$out/moved"
prefix=$out/moved

# The programs themselves, not a script that changes folder first.
for program in ferrowyn ferrowyn-headless; do
  [[ -x $prefix/$bindir/$program && $(head -c4 "$prefix/$bindir/$program") == $'\x7fELF' ]] ||
    fail "$program is not an installed program in $bindir"
done
for file in PLAYERS.BMP EXPLODE.BMP ARSENAL.BMP BORDER.BMP TITLE.BMP \
  Shot.WAV Explode.WAV intro.WAV Minedrop.WAV Pickup.WAV team.WAV plan.WAV; do
  cmp -s "$build/bin/$file" "$prefix/$gamedata/$file" || fail "$file not installed as built"
done
desktop=$prefix/$datadir/applications/$id.desktop
metainfo=$prefix/$datadir/metainfo/$id.metainfo.xml
[[ -f $desktop && -f $metainfo ]] || fail "desktop entry or metainfo missing"
for size in 16 24 32 48 64 128 256 512; do
  icon=$prefix/$datadir/icons/hicolor/${size}x$size/apps/$id.png
  [[ $(identify -format '%m %wx%h' "$icon") == "PNG ${size}x$size" ]] ||
    fail "icon $icon is not a ${size}x$size PNG"
  # The player's tank is green: the icon's middle must be mostly green at every size.
  read -r red green blue < <(convert "$icon" -gravity center -crop 37.5%x37.5%+0+0 +repage \
    -resize 1x1! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]\n' info:)
  ((green > red + 20 && green > blue + 20)) || fail "$size px icon centre is not green ($red $green $blue)"
done
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "metainfo launches another desktop entry"
grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo does not release $version"
grep -qF "<project_license>MIT</project_license>" "$metainfo" || fail "metainfo licence is not MIT"
for page in ferrowyn ferrowyn-headless; do
  gzip -dc "$prefix/$datadir/man/man6/$page.6.gz" | grep -qF "Ferrowyn $version" ||
    fail "no manual page $page(6) for $version"
done
echo "ok: layout, data files, icons, metainfo, manual pages"

# From an unrelated folder: paths on the command line are that folder's, the data is found.
mkdir -p "$out/elsewhere"
cd "$out/elsewhere"
[[ $("$prefix/$bindir/ferrowyn" --version) == "ferrowyn $version" ]] || fail "--version"
printf '[keys]\nfire = Z\n' >my.ini
"$prefix/$bindir/ferrowyn" --config my.ini --list-keys >keys.txt 2>keys.err ||
  fail "--list-keys with a relative --config"
grep -q "fire: Z$" keys.txt || fail "--config my.ini was not read from the current folder"
printf '0 tap F1\n60 down SPACE\n70 up SPACE\n' >fire.txt
"$prefix/$bindir/ferrowyn-headless" --script fire.txt --frames 120 --trace trace.jsonl \
  >headless.out 2>headless.err || fail "ferrowyn-headless: $(cat headless.err)"
! grep -F "cannot read" headless.err || fail "the installed runner did not find the data files"
[[ $(wc -l <trace.jsonl) -eq 120 ]] || fail "the trace was not written into the current folder"
echo "ok: both programs find the installed data and take paths from the current folder"

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
      # Through PATH, as the desktop entry's Exec= does.
      convert "$prefix/$gamedata/TITLE.BMP" "$out/expected-title.png"
      PATH=$prefix/$bindir:$PATH SDL_AUDIODRIVER=dummy OUT=$out \
        xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' bash -c '
          set -u
          ferrowyn --record mine.rec 2>"$OUT/game.err" &
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
      [[ -s mine.rec ]] || fail "--record mine.rec did not write into the current folder"
      echo "ok: the game starts from $out/elsewhere through PATH and records a game there"
      ;;
    *) fail "unknown check $check" ;;
  esac
done
