#!/usr/bin/env bash
# Runs the Windows build of scripts/build-windows.sh under Wine on a private X display and
# checks the whole program as a user would see it:
#   - flowsmith.exe -f FILE opens its window, titled as on Linux, and keeps its settings
#     in the registry;
#   - flowctl.exe play clicks on exact pixels and types Chinese and an emoji into a Win32
#     EDIT control;
#   - F8 stops a long run, in flowctl.exe and in the designer;
#   - quitting the designer sends the flow's path to a local server under Wine.
# Not part of CI, because of the Qt build. Also leaves a screenshot of the designer on a
# Wine desktop (the README's).
#
# usage: scripts/test-windows.sh [OUTPUT_DIR]   (what build-windows.sh built; default build-windows/)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=$(realpath -m "${1:-$ROOT/build-windows}")
DIST=$OUT/Flowsmith
[ -x "$DIST/flowsmith.exe" ] || { echo "test-windows: run scripts/build-windows.sh first" >&2; exit 1; }

WORK=$OUT/test-windows
rm -rf "$WORK"
mkdir -p "$WORK"
failures=0
pass() { echo "PASS $*"; }
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# --- the helpers: a window reporting its input, and a quit-notification listener ---
HELPERS=$OUT/test-helpers
cmake -S tests/win32 -B "$HELPERS" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/MinGW-w64.cmake" >/dev/null
cmake --build "$HELPERS" --target win32_inputreceiver win32_notifylistener >/dev/null

# --- a private display and Wine prefix ---
export WINEPREFIX=$OUT/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
XVFB_PID=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$WORK/display")
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  kill $XVFB_PID 2>/dev/null || true
}
trap cleanup EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  start=$SECONDS
  wine wineboot --init >/dev/null 2>&1
  echo "test-windows: created the Wine prefix in $((SECONDS - start)) s"
fi
# Chinese renders once Wine sees a CJK font; Wine draws the buttons of its window frames
# with Marlett, which this prefix does not find in Wine's own font folder.
FONT=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')
ln -sf "$FONT" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$FONT")"
ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
# The programs run under Wine, whose console ends lines with CR LF.
win() { winepath -w "$1"; }

wait_for_line() { # file, pattern, seconds
  for _ in $(seq $((${3} * 10))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
window_of() { # title pattern, seconds: the id of the visible window
  local id
  for _ in $(seq $((${2} * 10))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && {
      echo "$id"
      return 0
    }
    sleep 0.1
  done
  return 1
}
start_receiver() {
  wine "$(win "$HELPERS/win32_inputreceiver.exe")" >"$WORK/receiver.out" 2>/dev/null &
  RECEIVER_PID=$!
  PIDS+=($RECEIVER_PID)
  wait_for_line "$WORK/receiver.out" '^ready' 60 && RECEIVER=$(window_of '^Flowsmith input receiver$' 30)
}
stop_receiver() {
  kill $RECEIVER_PID 2>/dev/null || true
  wait $RECEIVER_PID 2>/dev/null || true
}
# Builds a flow file with the Windows flowctl from JSON given on stdin.
build_flow() { # json file name, flow file name
  cat >"$WORK/$1"
  (cd "$WORK" && wine "$(win "$DIST/flowctl.exe")" build "$1" "$2")
}

# --- 1. flowctl plays clicks on exact pixels and types Chinese and an emoji ---
TEXT='Flowsmith 自动化输入，你好世界 😀 done'
CLICKS=("0 100" "1365 767" "683 384" "1001 555" "7 333" "1365 60")
{
  echo '{"name": "wine", "description": "", "hotkey": "", "createTime": "", "lastModifiedTime": "", "operations": ['
  for c in "${CLICKS[@]}"; do
    set -- $c
    echo "{\"type\": \"mouse_move\", \"interval\": 20, \"position\": {\"x\": $1, \"y\": $2}},"
    echo "{\"type\": \"mouse_click\", \"interval\": 20, \"position\": {\"x\": $1, \"y\": $2}, \"clickType\": 0, \"clickButton\": 0},"
  done
  echo "{\"type\": \"text_input\", \"interval\": 50, \"text\": \"$TEXT\"}]}"
} | build_flow play.json play.flow >/dev/null
start_receiver
wine "$(win "$DIST/flowctl.exe")" play "$(win "$WORK/play.flow")" >"$WORK/play.out" 2>&1 && played=0 || played=$?
sleep 1
stop_receiver
got_clicks=$(tr -d '\r' <"$WORK/receiver.out" | sed -n 's/^click //p' | tr '\n' ',')
want_clicks=$(printf '%s,' "${CLICKS[@]}")
got_text=$(tr -d '\r' <"$WORK/receiver.out" | sed -n 's/^text //p' | tail -n 1 | xxd -r -p)
if [ "$played" = 0 ] && [ "$got_clicks" = "$want_clicks" ]; then
  pass "flowctl.exe play: ${#CLICKS[@]} clicks on their exact pixels"
else
  fail "flowctl.exe play (exit $played): clicks at [$got_clicks], expected [$want_clicks]"
fi
if [ "$got_text" = "$TEXT" ]; then
  pass "flowctl.exe play: typed \"$TEXT\" into a Win32 EDIT control"
else
  fail "flowctl.exe play: the EDIT control holds \"$got_text\", expected \"$TEXT\""
fi

# --- 2. F8 stops a long flowctl run ---
build_flow long.json long.flow >/dev/null <<'JSON'
{"name": "long", "description": "", "hotkey": "", "createTime": "", "lastModifiedTime": "", "operations": [
 {"type": "mouse_move", "interval": 30000, "position": {"x": 600, "y": 600}},
 {"type": "mouse_click", "interval": 0, "position": {"x": 600, "y": 600}, "clickType": 0, "clickButton": 0}]}
JSON
start_receiver
wine "$(win "$DIST/flowctl.exe")" play "$(win "$WORK/long.flow")" >"$WORK/long.out" 2>&1 &
PLAY_PID=$!
PIDS+=($PLAY_PID)
sleep 3 # start-up and the hotkey's registration
# Wine sees X key events only in a window of its own that has the focus.
xdotool windowfocus --sync "$RECEIVER"
pressed=$(date +%s%N)
xdotool key F8
stopped=0
wait $PLAY_PID || stopped=$?
ms=$((($(date +%s%N) - pressed) / 1000000))
stop_receiver
if [ "$stopped" = 130 ] && ! grep -q '^click' "$WORK/receiver.out"; then
  pass "F8 stopped flowctl.exe play after $ms ms (exit 130, nothing more replayed)"
else
  fail "F8 and flowctl.exe play: exit $stopped after $ms ms; receiver: $(tr '\n' ' ' <"$WORK/receiver.out")"
fi

# --- 3. the designer: title, registry, screenshot, quit notification ---
FLOW="$WORK/流程 测试.flow"
cp examples/showcase.flow "$FLOW"
WFLOW=$(win "$FLOW")
start_designer() { # flow file
  (cd "$DIST" && exec wine flowsmith.exe -f "$(win "$1")") >>"$WORK/designer.out" 2>&1 &
  DESIGNER_PID=$!
  PIDS+=($DESIGNER_PID)
  DESIGNER=$(window_of '^Flowsmith - ' 90)
}
wine "$(win "$HELPERS/win32_notifylistener.exe")" >"$WORK/listener.out" 2>&1 &
PIDS+=($!)
wait_for_line "$WORK/listener.out" '^listening' 60 || fail "the notification listener did not start"
if start_designer "$FLOW"; then
  title=$(xdotool getwindowname "$DESIGNER")
  if [ "$title" = "Flowsmith - $WFLOW" ]; then pass "flowsmith.exe -f opens \"$title\""; else
    fail "flowsmith.exe title \"$title\", expected \"Flowsmith - $WFLOW\""
  fi
  if wine reg query 'HKCU\Software\Tapwise' /v LogLevel 2>/dev/null | grep -q 'LogLevel.*REG_DWORD.*0x1'; then
    pass "settings: LogLevel 1 written to HKEY_CURRENT_USER\\Software\\Tapwise"
  else
    fail "settings: no LogLevel in HKEY_CURRENT_USER\\Software\\Tapwise"
  fi
  # Quit: the path goes to the listener as UTF-8.
  xdotool windowfocus --sync "$DESIGNER"
  xdotool key alt+F4
  if wait_for_line "$WORK/listener.out" '^received' 30; then
    got=$(tr -d '\r' <"$WORK/listener.out" | sed -n 's/^received //p')
    want=$(printf '%s' "$WFLOW" | xxd -p | tr -d '\n')
    if [ "$got" = "$want" ]; then pass "quit: the path reached DesignerOkNotifyServer217490 as UTF-8"; else
      fail "quit: the listener got $got, expected $want"
    fi
  else
    fail "quit: nothing reached the listener"
  fi
  wait $DESIGNER_PID || true
else
  fail "flowsmith.exe -f: no window within 90 s ($(tail -n 3 "$WORK/designer.out"))"
fi

# --- 4. F8 in the designer: hides it and replays; F8 again stops the run ---
build_flow designer-long.json designer-long.flow >/dev/null <<'JSON'
{"name": "long", "description": "", "hotkey": "", "createTime": "", "lastModifiedTime": "", "operations": [
 {"type": "mouse_move", "interval": 60000, "position": {"x": 600, "y": 600}}]}
JSON
if start_designer "$WORK/designer-long.flow"; then
  sleep 2
  xdotool windowfocus --sync "$DESIGNER"
  xdotool key F8
  sleep 2
  if ! xdotool search --onlyvisible --name '^Flowsmith - ' >/dev/null 2>&1; then
    # The hidden designer has no window to receive keys: F8 goes to another Wine window.
    start_receiver
    xdotool windowfocus --sync "$RECEIVER"
    pressed=$(date +%s%N)
    xdotool key F8
    if window_of '^Flowsmith - ' 10 >/dev/null; then
      pass "designer: F8 hid the window and started the run; F8 stopped it and the window came back after $((($(date +%s%N) - pressed) / 1000000)) ms"
    else
      fail "designer: F8 did not bring the window back"
    fi
    stop_receiver
  else
    fail "designer: F8 did not start a run (the window stayed)"
  fi
  kill $DESIGNER_PID 2>/dev/null || true
else
  fail "flowsmith.exe -f: no window within 90 s ($(tail -n 3 "$WORK/designer.out"))"
fi

# --- 5. a screenshot: the designer on a Wine desktop of its own, in Wine's window frame ---
SHOT_FLOW=$WINEPREFIX/drive_c/users/$(id -un)/Documents/showcase.flow
mkdir -p "$(dirname "$SHOT_FLOW")"
cp examples/showcase.flow "$SHOT_FLOW"
(cd "$DIST" && exec wine explorer /desktop=Flowsmith,1366x768 flowsmith.exe -f "$(win "$SHOT_FLOW")") \
  >>"$WORK/designer.out" 2>&1 &
PIDS+=($!)
if window_of '^Flowsmith - C:' 90 >/dev/null; then
  sleep 3
  import -window root "$WORK/designer.png"
  echo "test-windows: screenshot $WORK/designer.png"
else
  echo "test-windows: no screenshot, the designer did not open on the Wine desktop"
fi

echo "test-windows: $failures failure(s); output in $WORK"
[ "$failures" = 0 ]
