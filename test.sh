#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs every test (offscreen) through CTest.
# ./test.sh --sanitize builds into build-asan with AddressSanitizer and UBSan instead.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
dir=build
args=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  args+=(-DTREDORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
