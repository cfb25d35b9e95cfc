#!/usr/bin/env bash
# The README's demo on a machine without a display: scripts/demo.sh --headless on the programs of
# this build, in Czech and as prelavka_en. Each run must start the depository server and the
# program under Xvfb with the virtual scanner, leave a screenshot (copied to ARTIFACTS as
# screen_cs.png, screen_en.png), and the program must have written its run log into the demo's
# home, with the scanner's description.
#   demo_test.sh SOURCE_DIR BUILD_DIR OUT_DIR ARTIFACTS
set -euo pipefail
root=$1 build=$2 out=$3 artifacts=$4
unset DISPLAY
mkdir -p "$artifacts"
fail() { echo "demo_test: $*" >&2; exit 1; }

for language in cs en; do
  run=$out-$language
  rm -rf "$run"
  options=(--headless --no-install --no-build --build-dir "$build" --port 0 --out "$run"
           --seconds 5)
  [ "$language" = en ] && options+=(--english)
  "$root/scripts/demo.sh" "${options[@]}" >"$run.log" 2>&1 || { cat "$run.log"; fail "demo failed"; }
  cat "$run.log"

  grep -q 'depository: listening on 127.0.0.1:' "$run/depository.log" || fail "no depository server"
  python3 - "$run/screen.png" <<'PY' || fail "no screenshot"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", data[16:24])
assert (width, height) == (800, 600), (width, height)
PY
  cp "$run/screen.png" "$artifacts/screen_$language.png"
  log=$run/home/Documents/Prelavka/log.txt
  [ -f "$log" ] || fail "no run log at $log"
  iconv -f cp1250 -t utf-8 "$log" >"$run/log.utf8.txt"
  grep -q 'Verze programu: 1.125, OS: ' "$run/log.utf8.txt" || fail "run log without start-up"
  # The program found the demo's virtual scanner (when this build has it) and described it.
  if [ -f "$build/tools/virtual_scanner/virtual_scanner.so" ]; then
    grep -q 'ProductName: Prelavka Demo Feeder' "$run/log.utf8.txt" ||
      fail "the virtual scanner was not found"
  fi
done
echo "demo_test: passed"
