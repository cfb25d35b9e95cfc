#!/usr/bin/env bash
# The README's demo on a machine without a display: scripts/demo.sh --headless on the programs of
# this build. It must start the depository server and the program under Xvfb, leave a
# screenshot, and the program must have written its run log into the demo's home.
#   demo_test.sh SOURCE_DIR BUILD_DIR OUT_DIR
set -euo pipefail
root=$1 build=$2 out=$3
rm -rf "$out"
unset DISPLAY
"$root/scripts/demo.sh" --headless --no-install --no-build --build-dir "$build" --port 0 \
  --out "$out" --seconds 5 >"$out.log" 2>&1 || { cat "$out.log"; exit 1; }
cat "$out.log"

fail() { echo "demo_test: $*" >&2; exit 1; }
grep -q 'depository: listening on 127.0.0.1:' "$out/depository.log" || fail "no depository server"
python3 - "$out/screen.png" <<'PY' || fail "no screenshot"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", data[16:24])
assert (width, height) == (800, 600), (width, height)
PY
log=$out/home/Documents/Prelavka/log.txt
[ -f "$log" ] || fail "no run log at $log"
iconv -f cp1250 -t utf-8 "$log" | grep -q 'Verze programu: 1.125, OS: ' || fail "run log without start-up"
echo "demo_test: passed"
