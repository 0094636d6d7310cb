#!/usr/bin/env bash
# Installs what is missing, builds, and opens FLOW in the designer (by default a
# copy of the demo flow, which only moves the pointer around a circle: press F8).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/install-deps.sh
BUILD=${BUILD_DIR:-$ROOT/build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target flowsmith flowctl

if [ $# -ge 1 ]; then
  FLOW=$(realpath -m "$1")
else
  # Edit a copy, so the example in the repository stays as it is.
  FLOW="$BUILD/demo.flow"
  [ -f "$FLOW" ] || cp examples/demo.flow "$FLOW"
fi

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
run.sh: there is no X11 display (DISPLAY is not set), so the designer has nowhere to open.
  - On a desktop, run this from a terminal of your X11 session.
  - Wayland sessions do not let programs replay input or grab F8; log in with X11 ("Xorg").
  - To look at it without a desktop:  xvfb-run -a -s "-screen 0 1366x768x24" scripts/run.sh
    (or scripts/screenshot.sh shot.png to get a picture of the window).
MSG
  exit 1
fi

# The designer reads Qt's Chinese translation from translations/ in its working directory.
cd "$BUILD/src/app"
exec ./flowsmith -f "$FLOW"
