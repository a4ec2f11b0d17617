#!/usr/bin/env bash
# Whole-process timings of `vandor-cli asm` on generated sources: 100,000 statements with 20,000 labels
# and 200,000 statements with 40,000 labels (forward and backward jumps, data, comments, an ORG 0 every
# 50,000 bytes so that everything fits in memory). Prints the best of five runs of each and their ratio.
# Usage: bench/asm_timings.sh [BUILD_DIR] (default build/release)
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/vandor-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# generate BLOCKS FILE: five statements and one label per block.
generate() {
  python3 - "$1" "$2" <<'PY'
import random, sys
blocks, path = int(sys.argv[1]), sys.argv[2]
rng = random.Random(8085)
out = ["; programa generado", "\tORG 0"]
for k in range(blocks):
    if k and k % 5000 == 0:
        out.append("\tORG 0")
    target = rng.randrange(blocks)
    out.append(f"L{k}:\tMVI A, {rng.randrange(256)}\t; carga")
    out.append("\tADD B")
    out.append(f"\tLXI H, L{target}")
    out.append(f"\tJNZ L{k}")
    out.append("\tDFB 1, 2+3, 0FFH" if k % 7 == 0 else "\tMOV M, A")
    if k % 10 == 0:
        out.append("")
with open(path, "w", newline="") as f:
    f.write("\r\n".join(out) + "\r\n")
PY
}

# best_of FILE: the least wall time of five runs, in seconds.
best_of() {
  local best=999 start end t
  for _ in 1 2 3 4 5; do
    start=$(date +%s.%N)
    "$cli" asm "$1" >/dev/null
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (b < a) ? b : a }')
  done
  echo "$best"
}

generate 20000 "$work/cien.asm"
generate 40000 "$work/doscientos.asm"
"$cli" asm "$work/cien.asm" | tail -1 | grep -q "Ensamblado correcto" || { echo "generated source does not assemble" >&2; exit 1; }
t1=$(best_of "$work/cien.asm")
t2=$(best_of "$work/doscientos.asm")
awk -v t1="$t1" -v t2="$t2" 'BEGIN {
  printf "100,000 statements, 20,000 labels: %.3f s (target < 0.3 s)\n", t1
  printf "200,000 statements, 40,000 labels: %.3f s  ratio %.2f (target <= 2.2)\n", t2, t2 / t1
}'
