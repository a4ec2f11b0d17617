#!/usr/bin/env bash
# Whole-process timings of `vandor-cli run` on a loop that never halts:
#   LXI H,2000 / loop: INR A, ADD M, INX H, DCR B, JNZ loop / JMP 0000
# Prints steps per second without the trace and with it (the trace file written at the end included).
# Usage: bench/cli_timings.sh [BUILD_DIR] (default build/release)
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/vandor-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf ':0D0000002100203C862305C20300C3000040\r\n:00000001FF\r\n' >"$work/loop.hex"

# time_run STEPS [extra options...]: runs and prints steps/s.
time_run() {
  local steps=$1
  shift
  local start end line
  start=$(date +%s.%N)
  line=$("$cli" run "$work/loop.hex" --steps "$steps" "$@")
  end=$(date +%s.%N)
  case "$line" in
    *"PASOS=$steps FIN=PASOS") ;;
    *) echo "unexpected result: $line" >&2; exit 1 ;;
  esac
  awk -v s="$steps" -v a="$start" -v b="$end" -v what="$*" \
    'BEGIN { t = b - a; printf "%12d steps %-28s %7.3f s  %7.1f M steps/s\n", s, what, t, s / t / 1e6 }'
}

time_run 500000000
time_run 20000000 --trace "$work/trace.txt"
echo "trace file: $(du -m "$work/trace.txt" | cut -f1) MB"
time_run 20000000 --trace /dev/null
