#!/usr/bin/env bash
# Sets up a fresh machine, builds, and starts the tool with one emulated pedal plugged in.
# Without a display it runs on a virtual one for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh

app=build/tools/tredora-demo
[ -x "$app" ] || app=build/src/app/tredora

if [ -n "${DISPLAY:-}" ]; then
  exec "$app"
fi

shot="$PWD/shots/tredora.png"
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  "$1" & pid=$!
  for _ in $(seq 1 50); do
    sleep 0.2
    xwininfo -root -tree 2>/dev/null | grep -q "Tredora" && break
  done
  sleep 2
  import -window root "$2"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$app" "$shot"
echo "Screenshot of the window: $shot"
