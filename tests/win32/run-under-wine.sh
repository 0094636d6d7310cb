#!/usr/bin/env bash
# Runs a Windows test program under Wine on a private Xvfb display of the given size:
#   run-under-wine.sh WIDTHxHEIGHT PROGRAM.exe [ARGS...]
# The Wine prefix is WINEPREFIX (default: one beside the program), created on first use.
# Wine keeps the screen size of the display its server started on, so the server is
# ended after each program and the next one may use another size.
set -euo pipefail
screen=$1
shift
WINEPREFIX=${WINEPREFIX:-$(dirname "$(realpath "$1")")/wineprefix}
export WINEPREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# The tests need neither .NET nor the HTML engine: no installer prompts in a new prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
exec xvfb-run -a -s "-screen 0 ${screen}x24 -nolisten tcp" bash -c '
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    start=$SECONDS
    wine wineboot --init >/dev/null 2>&1
    echo "created the Wine prefix $WINEPREFIX in $((SECONDS - start)) s"
  fi
  status=0
  wine "$@" || status=$?
  wineserver --kill 2>/dev/null || true
  wineserver --wait 2>/dev/null || true
  exit $status' run-under-wine "$@"
