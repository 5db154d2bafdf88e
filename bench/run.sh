#!/usr/bin/env bash
# Builds and runs every benchmark and prints each figure beside its reference.
# Benchmarks report; they never fail the test suite.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
for b in build/bench/*/bench_*; do
  # Only programs: the build also leaves *_autogen folders beside them.
  [ -f "$b" ] && [ -x "$b" ] || continue
  case "$(basename "$b")" in bench_startup_*) continue ;; esac
  echo "== $(basename "$b")"
  "$b"
  echo
done
