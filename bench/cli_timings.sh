#!/usr/bin/env bash
# Whole-process timings of `vandor-cli run` on a loop that never halts:
#   LXI H,2000 / loop: INR A, ADD M, INX H, DCR B, JNZ loop / JMP 0000
# beside the bare interpreter bench/minimal8085 on the same program, in the same round, so that the ratio
# holds on a busy machine. Each round runs, one after the other: the bare interpreter and vandor-cli
# without trace (500,000,000 steps), vandor-cli with --tstates (500,000,000), and vandor-cli with the trace
# streamed to /dev/null and to a file (20,000,000 steps), and with the debugger's per-step work attached
# (20,000,000 steps): the step history of --back 1000000, and a --watch on a port the program never
# touches. The state the two programs reach is compared.
# With BEFORE=/path/to/an/older/vandor-cli, each round first times that program too (without trace, and
# with the trace to /dev/null and to a file), for before/after figures from the same rounds.
# Usage: [BEFORE=...] bench/cli_timings.sh [BUILD_DIR] [ROUNDS] (default build/release, 3)
set -euo pipefail
build=${1:-build/release}
rounds=${2:-3}
cli="$build/src/cli/vandor-cli"
bare="$build/bench/minimal8085"
[ -x "$cli" ] && [ -x "$bare" ] || { echo "no $cli or $bare: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf ':0D0000002100203C862305C20300C3000040\r\n:00000001FF\r\n' >"$work/loop.hex"

# seconds COMMAND...: runs it, keeps its stdout in $work/out, prints the wall time in seconds.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/out"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# The registers both programs print must agree.
same_state() {
  local mine theirs
  theirs=$(sed 's/ STEPS=.*//' "$work/bare")
  mine=$(sed -E 's/ M=.. BC=.*PC=/ PC=/; s/ SP=(....) .*/ SP=\1/' "$work/out")
  [ "$mine" = "$theirs" ] || { echo "different states: $mine / $theirs" >&2; exit 1; }
}

rate() { awk -v s="$1" -v t="$2" 'BEGIN { printf "%7.1f M/s", s / t / 1e6 }'; }

big=500000000
small=20000000
before=${BEFORE:-}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-6s %-22s %-22s %-30s %-22s %-22s %-22s %-22s\n' round bare "run (ratio)" "run --tstates (ratio)" \
  "--trace /dev/null" "--trace FILE" "--back 1000000" "--watch P80:rw"
for round in $(seq 1 "$rounds"); do
  if [ -n "$before" ]; then
    t_bare=$(seconds "$bare" "$work/loop.hex" "$big")
    t_old=$(seconds "$before" run "$work/loop.hex" --steps "$big")
    t_oldnull=$(seconds "$before" run "$work/loop.hex" --steps "$small" --trace /dev/null)
    t_oldfile=$(seconds "$before" run "$work/loop.hex" --steps "$small" --trace "$work/trace.txt")
    rm -f "$work/trace.txt"
    printf '%-6s %-22s %-22s %-30s %-22s %-22s\n' "$round" "$(rate $big "$t_bare")" \
      "$(rate $big "$t_old") ($(ratio "$t_bare" "$t_old"))" "(before)" "$(rate $small "$t_oldnull")" \
      "$(rate $small "$t_oldfile")"
  fi
  t_bare=$(seconds "$bare" "$work/loop.hex" "$big"); cp "$work/out" "$work/bare"
  t_run=$(seconds "$cli" run "$work/loop.hex" --steps "$big"); same_state
  t_ts=$(seconds "$cli" run "$work/loop.hex" --steps "$big" --tstates); same_state
  t_null=$(seconds "$cli" run "$work/loop.hex" --steps "$small" --trace /dev/null)
  t_file=$(seconds "$cli" run "$work/loop.hex" --steps "$small" --trace "$work/trace.txt")
  t_back=$(seconds "$cli" run "$work/loop.hex" --steps "$small" --back 1000000)
  t_watch=$(seconds "$cli" run "$work/loop.hex" --steps "$small" --watch P80:rw)
  printf '%-6s %-22s %-22s %-30s %-22s %-22s %-22s %-22s\n' "$round" "$(rate $big "$t_bare")" \
    "$(rate $big "$t_run") ($(ratio "$t_bare" "$t_run"))" "$(rate $big "$t_ts") ($(ratio "$t_bare" "$t_ts"))" \
    "$(rate $small "$t_null")" "$(rate $small "$t_file")" "$(rate $small "$t_back")" "$(rate $small "$t_watch")"
  rm -f "$work/trace.txt"
done
