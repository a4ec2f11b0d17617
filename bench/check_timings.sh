#!/usr/bin/env bash
# Whole-process timing of `vandor-cli check` over a generated class: 500 sources, 5 cases each, every
# case a countdown loop of about 100,000 steps, checked with --jobs 2 and a CSV file. Each source is a
# little different (labels, register pair, comments), so every one is really assembled.
# Usage: bench/check_timings.sh [BUILD_DIR] (default build/release)
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/vandor-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=500

# The count N (little-endian at 0900) is counted down to zero, 4 steps per turn; the program stores
# the number of turns' high byte at 0A00 and halts.
{
  echo 'titulo = "Cuenta atrás"'
  echo 'pasos_max = 100000'
  for n in 24990 24992 24994 24996 24998; do
    lo=$(printf '%02X' $((n & 255)))
    hi=$(printf '%02X' $((n >> 8)))
    echo '[[caso]]'
    echo "nombre = \"N = $n\""
    echo "memoria = { \"0900\" = \"$lo $hi\" }"
    echo '[caso.espera]'
    echo 'a = "00"'
    echo "memoria = { \"0A00\" = \"$hi\" }"
  done
} >"$work/cuenta.toml"

for i in $(seq 1 "$sources"); do
  if ((i % 2)); then pair=B; hi=B; lo=C; else pair=D; hi=D; lo=E; fi
  printf '%s\r\n' \
    "; alumno $i" \
    "        LHLD 0900H" \
    "        MOV A,H" \
    "        STA 0A00H" \
    "        MOV $hi,H" \
    "        MOV $lo,L" \
    "V$i:    DCX $pair" \
    "        MOV A,$hi" \
    "        ORA $lo" \
    "        JNZ V$i" \
    "        HLT" >"$work/alumno$i.asm"
done

start=$(date +%s.%N)
set +e
"$cli" check "$work/cuenta.toml" "$work"/alumno*.asm --jobs 2 --csv "$work/notas.csv" >"$work/out.txt" 2>"$work/err.txt"
status=$?
set -e
end=$(date +%s.%N)
passed=$(grep -c ': APTO (5/5 casos)$' "$work/out.txt" || true)
if [ "$status" -ne 0 ] || [ "$passed" -ne "$sources" ]; then
  echo "unexpected result (exit $status, $passed APTO):" >&2
  grep -v ': APTO' "$work/out.txt" | head -5 >&2
  cat "$work/err.txt" >&2
  exit 1
fi
steps=$(awk -F, 'NR > 1 { s += $4 } END { print s }' "$work/notas.csv")
awk -v a="$start" -v b="$end" -v n="$sources" -v s="$steps" \
  'BEGIN { t = b - a; printf "check: %d sources x 5 cases, %d steps, --jobs 2: %.3f s (%.1f M steps/s)\n", n, s, t, s / t / 1e6 }'
