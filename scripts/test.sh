#!/usr/bin/env bash
# Installs what is missing, checks the formatting, configures, builds (every header also
# compiled on its own) and runs every test through CTest.
# Tests that need a desktop run under a private Xvfb display; the others use Qt's
# offscreen platform. The Win32 services are cross-built with MinGW and tested under
# Wine, each test on a virtual display of its own. Two sanitizer builds follow, both
# without the user interface: one with AddressSanitizer of every target, which runs the
# flow-file tests that feed the loader corrupt bytes and the document's edit history,
# which holds removed operations; and one with ThreadSanitizer of the tests where the
# GUI thread, the run worker and the X11 keymap restorer meet.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/install-deps.sh

# Every tracked C++ file is formatted as .clang-format says.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror


JOBS=$(nproc)
BUILD=${BUILD_DIR:-$ROOT/build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLOWSMITH_WERROR=ON \
      -DFLOWSMITH_HEADER_CHECK=ON
cmake --build "$BUILD" -j "$JOBS"

# Keep test runs away from the user's real settings and logs.
export XDG_CONFIG_HOME="$BUILD/test-home/config"
export XDG_DATA_HOME="$BUILD/test-home/data"
export XDG_RUNTIME_DIR="$BUILD/test-home/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

XVFB=(xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp")
status=0
"${XVFB[@]}" ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS" || status=$?

# A fresh Wine prefix each run, shared by the run's Wine tests (see tests/win32).
WIN32_BUILD=$BUILD/win32
cmake -S tests/win32 -B "$WIN32_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/MinGW-w64.cmake"
cmake --build "$WIN32_BUILD" -j "$JOBS"
rm -rf "$WIN32_BUILD/wineprefix"
WINEPREFIX="$WIN32_BUILD/wineprefix" ctest --test-dir "$WIN32_BUILD" --output-on-failure || status=$?

if [ "${FLOWSMITH_SKIP_ASAN:-0}" != 1 ]; then
  # All targets: this is also the proof that the program builds without the UI.
  ASAN_BUILD=$ROOT/build-asan
  cmake -S . -B "$ASAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFLOWSMITH_ASAN=ON \
        -DFLOWSMITH_BUILD_UI=OFF -DFLOWSMITH_WERROR=ON
  cmake --build "$ASAN_BUILD" -j "$JOBS"
  ctest --test-dir "$ASAN_BUILD" --output-on-failure -R 'tst_flowfile|tst_flowdocument' || status=$?
fi

if [ "${FLOWSMITH_SKIP_TSAN:-0}" != 1 ]; then
  TSAN_BUILD=$ROOT/build-tsan
  TSAN_TESTS=(tst_flowrunner tst_platformservices tst_x11platform)
  cmake -S . -B "$TSAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLOWSMITH_TSAN=ON \
        -DFLOWSMITH_BUILD_UI=OFF -DFLOWSMITH_WERROR=ON
  cmake --build "$TSAN_BUILD" -j "$JOBS" --target "${TSAN_TESTS[@]}" flowctl
  # Qt is not built with the sanitizer: what its own code does between threads (QtTest's
  # watchdog, D-Bus, implicitly shared data in queued signals) is left out, ours is checked.
  export TSAN_OPTIONS="ignore_noninstrumented_modules=1 second_deadlock_stack=1"
  pattern="^($(IFS='|'; echo "${TSAN_TESTS[*]}"))\$"
  "${XVFB[@]}" ctest --test-dir "$TSAN_BUILD" --output-on-failure -R "$pattern" || status=$?
  # Where the GUI thread, the run worker and the X11 keymap restorer meet for real:
  # flowctl replaying a flow that types characters the keymap lacks.
  "${XVFB[@]}" "$TSAN_BUILD/src/tools/flowctl/flowctl" play examples/showcase.flow >/dev/null ||
    status=$?
fi
exit $status
