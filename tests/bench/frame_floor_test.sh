#!/usr/bin/env bash
# The bare frame loop that measure-play compares the game with: what the script reads from it
# must hold (one frame end a line, in microseconds of wall-clock time, 22 ms apart), and a
# bad length is refused.
set -euo pipefail
floor=$1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for bad in "" 0 -3 x 3601; do
  status=0
  said=$("$floor" $bad 2>&1 >/dev/null) || status=$?
  ((status == 2)) || fail "'$bad' gave status $status, not 2"
  [[ $said == *usage* ]] || fail "'$bad' gave no usage"
done

before=$(date +%s%6N)
ends=$("$floor" 1)
after=$(date +%s%6N)
# Deadlines are kept from the start, so a late wake-up costs no frame: 1000 / 22 of them.
count=$(wc -l <<<"$ends")
((count == 45)) || fail "$count frames in a second, not 45"
awk -v before="$before" -v after="$after" '
  $0 !~ /^[0-9]+$/ { print "not a whole number: " $0; exit 1 }
  NR == 1 && ($1 < before || $1 > after) { print "not microseconds of wall-clock time: " $1; exit 1 }
  NR > 1 && $1 <= last { print "not increasing: " last " then " $1; exit 1 }
  { if (NR == 1) first = $1; last = $1 }
  END { if (last - first < 500000) { print "44 frames in " (last - first) " us"; exit 1 } }
' <<<"$ends" >&2 || fail "the frame ends are wrong"
echo "ok: the bare frame loop"
