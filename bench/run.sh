#!/usr/bin/env bash
# Runs every benchmark program of the release build, then the whole-process timings of vandor-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
for s in bench/*_timings.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s")"
  bash "$s" "$build"
done
