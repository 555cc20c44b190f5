#!/usr/bin/env bash
# How the committed sound test files in tests/data were made: sox writes a short 8-bit mono
# 11025 Hz tone (551 data bytes, so the data chunk is odd-sized and padded), and a copy gets
# a LIST chunk of odd size between "fmt " and "data", as some editors write. A Creative
# Voice file of the same tone (110 sample bytes in its first block) comes from sox too.
set -euo pipefail
data=$(cd "$(dirname "$0")/../data" && pwd)
sox -D -n -r 11025 -c 1 -b 8 -e unsigned-integer "$data/wav-tone-11025.wav" synth 0.05 sine 440
python3 - "$data/wav-tone-11025.wav" "$data/wav-list-before-data.wav" <<'PY'
import struct, sys
src = open(sys.argv[1], 'rb').read()
at = src.index(b'data')
info = b'INFO' + b'ICMT' + struct.pack('<I', 5) + b'tone\0' + b'\0'
chunk = b'LIST' + struct.pack('<I', len(info) - 1) + info
body = src[8:at] + chunk + src[at:]
open(sys.argv[2], 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY
sox -D -n -r 11025 -c 1 -b 8 -e unsigned-integer "$data/voc-tone.voc" synth 0.01 sine 440
