#!/usr/bin/env bash
# Sets up a fresh machine, builds, and starts the tool with one emulated pedal plugged in,
# which the demo connects to by itself. Without a display it runs on a virtual one for a few
# seconds and saves a screenshot once the pedal has sent its first rows.
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
# The demo connects by itself and starts moving the pedal; the picture shows the first rows.
# 96 dpi as a desktop at 100 % scale (Xvfb's own default of 100 enlarges every font).
xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" bash -c '
  log=$(mktemp)
  "$1" >"$log" 2>&1 & pid=$!
  for _ in $(seq 1 75); do
    sleep 0.2
    grep -q "the pedal is moving" "$log" && break
  done
  sleep 1.5
  import -window root "$2"
  rm -f "$log"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$app" "$shot"
echo "Screenshot of the window: $shot"
