#!/usr/bin/env bash
# The program's main job on this machine: installs what is needed, builds the desktop program,
# starts the local depository server (the institution's upload endpoint) and the program with the
# virtual scanner, so you can scan pages, send them and read the server's verdict. When the
# window is closed it prints where the run log and the received pages are.
#
# Without a display (no DISPLAY, or --headless) the program runs under Xvfb for a few seconds and
# leaves a screenshot of the screen.
#
#   scripts/demo.sh [--headless] [--english] [--seconds N] [--port N] [--out DIR]
#                   [--no-install] [--no-build] [--build-dir DIR]
#
#   --english     run the program as prelavka_en (English identity texts)
#   --seconds N   headless: how long the program runs before the screenshot (default 6)
#   --port N      the depository's port; the build sends its uploads there (default 18765)
#   --out DIR     where the demo's home folder, run log and received uploads go
#                 (default build/demo-run)
#   --no-install  do not run scripts/install-deps.sh
#   --no-build    use the programs already built in --build-dir
#   --build-dir   the build folder (default build/demo)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

headless=0
english=0
seconds=6
port=${PRELAVKA_DEMO_PORT:-18765}
out=$root/build/demo-run
install=1
build_programs=1
build=$root/build/demo
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1 ;;
    --english) english=1 ;;
    --seconds) seconds=$2; shift ;;
    --port) port=$2; shift ;;
    --out) out=$2; shift ;;
    --no-install) install=0 ;;
    --no-build) build_programs=0 ;;
    --build-dir) build=$2; shift ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "demo.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ -n "${DISPLAY:-}" ] || headless=1
say() { printf '\n=== %s\n' "$*"; }

# --- Install and build ---------------------------------------------------------------------
if [ "$install" = 1 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    say "Installing the Debian packages (scripts/install-deps.sh)"
    "$root/scripts/install-deps.sh"
  else
    echo "demo.sh: not root, skipping scripts/install-deps.sh (run it as root once)" >&2
  fi
fi
if [ "$build_programs" = 1 ]; then
  say "Building the desktop program in $build (uploads go to 127.0.0.1:$port)"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPRELAVKA_TESTS=OFF -DPRELAVKA_BENCH=OFF -DPRELAVKA_QT=ON \
    -DPRELAVKA_SERVER_HOST="127.0.0.1:$port" >/dev/null
  targets=(prelavka prelavka_screen_grab)
  if cmake --build "$build" --target help | grep -c '^virtual_scanner:' >/dev/null; then
    targets+=(virtual_scanner)
  fi
  cmake --build "$build" --target "${targets[@]}"
fi
[ -d "$build" ] || { echo "demo.sh: no build folder $build" >&2; exit 1; }
build=$(cd "$build" && pwd)
program_dir=$build/platform/qt
program=$program_dir/prelavka
[ "$english" = 1 ] && program=$program_dir/prelavka_en
if [ ! -x "$program" ]; then
  echo "demo.sh: $program is missing (build it, or drop --no-build)" >&2
  exit 1
fi

# --- The demo's own home: the run log and the scan folders stay inside $out ----------------
mkdir -p "$out"
out=$(cd "$out" && pwd)
home=$out/home
received=$out/received
mkdir -p "$home/Documents" "$received"
app_folder=$home/Documents/Prelavka
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# --- The depository server -------------------------------------------------------------------
depository=$root/tools/depository/depository.py
if [ -f "$depository" ]; then
  say "Starting the depository server"
  python3 "$depository" --port "$port" --folder "$received" >"$out/depository.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    grep -q 'listening on' "$out/depository.log" 2>/dev/null && break
    if ! kill -0 "${pids[-1]}" 2>/dev/null; then
      echo "demo.sh: the depository server did not start:" >&2
      cat "$out/depository.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  grep 'listening on' "$out/depository.log" || { echo "demo.sh: depository not ready" >&2; exit 1; }
else
  echo "demo.sh: no depository server in this checkout; sending will not reach a server" >&2
fi

# --- The program -----------------------------------------------------------------------------
# The program keeps its run log and scan folders in the documents folder of this home.
mkdir -p -m 700 "$out/runtime"
run_env=(env -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$out/runtime")
# The virtual scanner stands in for the system's TWAIN source manager: two scanners, a feeder
# that scans both sides and a colour flatbed (scripts/demo-scanner.txt; the program asks which).
scanner=$build/tools/virtual_scanner/virtual_scanner.so
if [ -f "$scanner" ]; then
  if [ "$headless" = 1 ]; then
    # Nobody answers the question which scanner to use: only the feeder is connected.
    awk '/^source Prelavka Demo Flatbed/ { exit } { print }' "$root/scripts/demo-scanner.txt" \
      >"$out/scanner.txt"
  else
    cp "$root/scripts/demo-scanner.txt" "$out/scanner.txt"
  fi
  rm -f "$out/scanner-calls.log"
  run_env+=(PRELAVKA_TWAIN_LIBRARY="$scanner" PRELAVKA_VIRTUAL_SCANNER_SCRIPT="$out/scanner.txt"
            PRELAVKA_VIRTUAL_SCANNER_LOG="$out/scanner-calls.log")
  echo "virtual scanner: $scanner with $out/scanner.txt"
else
  echo "demo.sh: no virtual scanner built; the program starts without a scanner" >&2
fi
screenshot=$out/screen.png
if [ "$headless" = 1 ]; then
  say "Running the program under Xvfb for $seconds s (no display)"
  command -v xvfb-run >/dev/null || { echo "demo.sh: xvfb-run is missing" >&2; exit 1; }
  rm -f "$screenshot"
  # A plain window manager draws the frames and the window's caption (with Xvfb's own font).
  printf '%s\n' 'RandomPlacement' 'UsePPosition "on"' 'NoGrabServer' 'TitleFont "fixed"' \
    'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' \
    'Color { TitleBackground "steelblue" TitleForeground "white" BorderColor "slategrey" }' \
    >"$out/twmrc"
  "${run_env[@]}" xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    if command -v twm >/dev/null; then
      twm -f "$5" >"$6" 2>&1 &
      sleep 1
    fi
    "$1" & program=$!
    sleep "$2"
    "$3" "$4" || echo "demo.sh: no screenshot" >&2
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null || true
  ' demo "$program" "$seconds" "$program_dir/prelavka_screen_grab" "$screenshot" \
    "$out/twmrc" "$out/twm.log"
else
  say "Starting the program: close its window to end the demo"
  echo "Choose a scanner, press \"Skenovat z podavače\" (tick \"Oboustranně\" for both sides),"
  echo "type a person number (digits) into \"Učo\" and press \"Odeslat\": the verdict follows."
  echo "run log:         $app_folder/log.txt"
  echo "received pages:  $received/upload-*/pages/"
  "${run_env[@]}" "$program"
fi

# --- What happened ---------------------------------------------------------------------------
say "Results"
echo "run log:         $app_folder/log.txt"
echo "scan folders:    $app_folder/sken_tmp*"
echo "received pages:  $received/upload-*/pages/"
echo "depository log:  $out/depository.log"
[ "$headless" = 1 ] && echo "screenshot:      $screenshot"
for request in "$received"/upload-*/request.json; do
  [ -f "$request" ] || continue
  python3 - "$request" <<'EOF'
import json, sys
upload = json.load(open(sys.argv[1]))
print(f"{sys.argv[1]}: verdict {upload.get('verdict')}, pages {len(upload.get('pages', []))}")
EOF
done
if [ -f "$app_folder/log.txt" ]; then
  say "Run log (converted from cp1250)"
  iconv -f cp1250 -t utf-8 "$app_folder/log.txt" | tr -d '\r' | tail -n 40
fi
