#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each of them.
#   scripts/fuzz.sh                 smoke run: a few seconds per target (CI)
#   scripts/fuzz.sh --seconds 600   a longer local run, per target
#   scripts/fuzz.sh --runs 10000000 a fixed number of executions per target (with --seconds:
#                                   whichever comes first)
#   scripts/fuzz.sh --only http,dib  only these targets (combines with the above)
# Fails on any crash, leak, time-out (10 s per input) or sanitizer report. Findings are left in
# build/fuzz/findings/<target>/; turn each into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=()
only=
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit+=(-max_total_time="$2"); shift 2 ;;
    --runs) limit+=(-runs="$2"); shift 2 ;;
    --only) only=",$2,"; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--runs N] [--only NAME,...]" >&2; exit 2 ;;
  esac
done
[ ${#limit[@]} -gt 0 ] || limit=(-max_total_time=6)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/tests/fuzz
work=build/fuzz/work
findings=build/fuzz/findings
status=0
for fuzzer in "$bin"/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  [[ "$fuzzer" == *.so ]] && continue  # the fake source manager of the TWAIN targets
  name=${fuzzer##*/fuzz_}
  [ -z "$only" ] || [[ "$only" == *",$name,"* ]] || continue
  mkdir -p "$work/$name" "$findings/$name"
  seeds=tests/fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=
  echo "=== fuzz $name"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
      timeout --kill-after=30 3600 "$fuzzer" "${limit[@]}" -timeout=10 -rss_limit_mb=2560 \
      -artifact_prefix="$findings/$name/" -print_final_stats=1 "$work/$name" $seeds \
      >"$findings/$name.log" 2>&1; then
    echo "fuzz $name FAILED; see $findings/$name.log"
    tail -n 40 "$findings/$name.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$findings/$name.log" | tail -n 2
  fi
done
exit $status
