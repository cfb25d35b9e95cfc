#!/usr/bin/env bash
# Builds the Windows program and the tests with the mingw-w64 cross compilers (32-bit and 64-bit)
# and runs the whole unit test suite as Windows programs under Wine, with a virtual display
# (Xvfb) for the window tests. Needs the packages of scripts/install-deps.sh.
#
# Usage: scripts/wine-tests.sh [mingw32] [mingw64]   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(mingw32 mingw64)

export WINEPREFIX="$PWD/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer dialogs

xvfb_pid=
depository_pid=
cleanup() {
  timeout 20 wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "$depository_pid" ]; then kill "$depository_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and tells it through a file descriptor.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "wine-tests.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"

mkdir -p build
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "=== wine: preparing the prefix"
  timeout 300 wineboot --init
  timeout 120 wineserver -w
fi
# Wine draws the window frames itself (there is no window manager on the virtual display), and a
# program that crashes ends at once with a backtrace instead of waiting in a crash dialog.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >/dev/null

for preset in "${presets[@]}"; do
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== tests under Wine: $preset"
  timeout 900 ctest --preset "$preset"
  # The window pictures of the smoke test, as PNG beside the BMP files.
  for bmp in "build/$preset/artifacts"/*.bmp; do
    [ -f "$bmp" ] || continue
    if command -v convert >/dev/null; then convert "$bmp" "${bmp%.bmp}.png"; fi
  done
done
# A whole batch in the 32-bit program: start-up with the virtual scanner, a feeder scan and the
# send to the local depository server. Its build sends to that server instead of the institution.
send_port=18767
send_build=build/mingw32-send
echo "=== build: Prelavka.exe sending to the local depository (127.0.0.1:$send_port)"
cmake --preset mingw32 -B "$send_build" -DPRELAVKA_SERVER_HOST="127.0.0.1:$send_port" >/dev/null
cmake --build "$send_build" --target win32_program_send_test
received=$(mktemp -d)
python3 tools/depository/depository.py --port "$send_port" --folder "$received" \
  >"$received/depository.log" 2>&1 &
depository_pid=$!
for _ in $(seq 100); do grep -q 'listening on' "$received/depository.log" && break; sleep 0.1; done
echo "=== scan and send under Wine"
timeout 600 ctest --test-dir "$send_build" -R '^win32_program_send_test$' --output-on-failure
python3 - "$received" <<'CHECK'
import json, pathlib, sys
uploads = sorted(pathlib.Path(sys.argv[1]).glob("upload-*/request.json"))
assert len(uploads) == 1, f"uploads received: {len(uploads)}"
request = json.loads(uploads[0].read_text())
assert request["verdict"] == "ok", request["verdict"]
assert request["pages"] == ["1001.bmp", "1002.bmp", "1003.bmp"], request["pages"]
print("depository: one upload of", len(request["pages"]), "pages, verdict ok")
CHECK
kill "$depository_pid" 2>/dev/null || true
depository_pid=
rm -rf "$received"
for bmp in "$send_build/artifacts"/*.bmp; do
  [ -f "$bmp" ] || continue
  if command -v convert >/dev/null; then convert "$bmp" "${bmp%.bmp}.png"; fi
done
echo "=== Windows tests passed"
