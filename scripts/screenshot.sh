#!/usr/bin/env bash
# Takes a screenshot of the real designer window under a private Xvfb display.
#   scripts/screenshot.sh OUT.png [FLOW] [ROW]
# FLOW defaults to examples/showcase.flow; ROW (1-based), when given, is clicked so
# that its properties show in the right dock. Needs a built tree (scripts/run.sh or
# scripts/test.sh build it).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=$(realpath -m "${1:?usage: screenshot.sh OUT.png [FLOW] [ROW]}")
FLOW_SRC=${2:-examples/showcase.flow}
ROW=${3:-}
BUILD=${BUILD_DIR:-$ROOT/build}
APP="$BUILD/src/app/flowsmith"
[ -x "$APP" ] || { echo "screenshot.sh: build first ($APP is missing)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'kill $APP_PID $XVFB_PID 2>/dev/null || true; rm -rf "$WORK"' EXIT
cp "$FLOW_SRC" "$WORK/flow.flow"
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"

# Pick a free display number.
for n in $(seq 90 120); do [ -e "/tmp/.X$n-lock" ] || { DISP=":$n"; break; }; done
Xvfb "$DISP" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=$DISP
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$BUILD/src/app" && exec ./flowsmith -f "$WORK/flow.flow") &
APP_PID=$!
WIN=$(xdotool search --sync --onlyvisible --name "^Flowsmith - " | head -n 1)
sleep 1
if [ -n "$ROW" ]; then
  # Rows are 30 px high; the table's first row sits just below its 36-px header.
  read -r X Y < <(xdotool getwindowgeometry --shell "$WIN" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
  xdotool mousemove --sync $((X + 450)) $((Y + ${TABLE_TOP:-136} + 36 + (ROW - 1) * 30 + 15)) click 1
  xdotool mousemove --sync $((X + 700)) $((Y + 740))
  sleep 0.5
fi
import -window root "$OUT"
echo "screenshot: $OUT"
