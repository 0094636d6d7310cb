#!/usr/bin/env bash
# Builds flowsmith.exe and flowctl.exe for 64-bit Windows on this Debian machine and lays
# out a ready-to-run folder and a .zip of it.
#
# Qt 5.15 for MinGW is not packaged, so the first run cross-builds the modules the program
# needs from Debian's own Qt source packages into a cache outside the repository
# (FLOWSMITH_WINDOWS_CACHE, default ~/.cache/flowsmith-windows); later runs reuse it.
#
# usage: scripts/build-windows.sh [--qt-only] [OUTPUT_DIR]   (default build-windows/)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

QT_ONLY=0
if [ "${1:-}" = --qt-only ]; then
  QT_ONLY=1
  shift
fi
OUT=$(realpath -m "${1:-$ROOT/build-windows}")
CACHE=${FLOWSMITH_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/flowsmith-windows}
QT=$CACHE/qt5-mingw64
JOBS=${JOBS:-2}
HOST=x86_64-w64-mingw32
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
say() { echo "build-windows: $*"; }

# --- packages: the MinGW compilers and Wine come with the rest of the project's list ---
bash scripts/install-deps.sh

# --- Qt's source packages, from Debian's source archive ---
QTBASE_SRC=$CACHE/src/qtbase
QTSVG_SRC=$CACHE/src/qtsvg
fetch_source() { # package, destination
  local pkg=$1 dest=$2 tmp
  [ -d "$dest" ] && return
  if ! apt-cache showsrc "$pkg" 2>/dev/null | grep -q '^Version:'; then
    say "enabling Debian's source archive (deb-src) for apt-get source"
    local suite
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$suite" "$suite" | $SUDO tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    $SUDO apt-get update -qq
  fi
  tmp=$(mktemp -d "$CACHE/src/fetch.XXXX")
  (cd "$tmp" && apt-get source -qq "$pkg" >/dev/null)
  mv "$tmp"/"$pkg"-*/ "$dest"
  rm -rf "$tmp"
}

# The MinGW compilers under their plain names, but the posix-threads variant: the
# program's std::thread needs it, and Qt must use the same C++ runtime.
TOOLS=$CACHE/bin
mkdir -p "$TOOLS" "$CACHE/src"
for t in gcc g++; do ln -sf "/usr/bin/$HOST-$t-posix" "$TOOLS/$HOST-$t"; done
export PATH=$TOOLS:$PATH

# Debian's cleaned Qt source lacks the Wintab headers that the Windows platform plugin
# includes; Wine's LGPL copies work once Wine's own naming macros are defined.
wintab_headers() {
  local dir=$CACHE/wintab deb tmp
  [ -f "$dir/wintab.h" ] && return
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get download -qq libwine-dev 2>/dev/null && dpkg-deb -x libwine-dev_*.deb x)
  mkdir -p "$dir/wine"
  for h in wintab.h pktdef.h; do
    cp "$(find "$tmp/x" -path "*/windows/$h" | head -1)" "$dir/wine/$h"
  done
  rm -rf "$tmp"
  cat >"$dir/wintab.h" <<'EOF'
#pragma once
#include <windows.h>
#define WINELIB_NAME_AW(name) name##W
#define DECL_WINELIB_TYPE_AW(type) typedef type##W type;
#define API WINAPI
#include "wine/wintab.h"
EOF
  printf '#include "wine/pktdef.h"\n' >"$dir/pktdef.h"
}

build_qt() {
  if [ -f "$QT/.qtbase-installed" ] && [ -f "$QT/.qtsvg-installed" ]; then
    say "using the cached Qt in $QT"
    return
  fi
  fetch_source qtbase-opensource-src "$QTBASE_SRC"
  fetch_source qtsvg-opensource-src "$QTSVG_SRC"
  wintab_headers
  local start=$SECONDS b=$CACHE/build/qtbase
  if [ ! -f "$QT/.qtbase-installed" ]; then
    mkdir -p "$b"
    if [ ! -f "$b/Makefile" ]; then
      say "configuring Qt (a few minutes)"
      (cd "$b" && "$QTBASE_SRC/configure" -prefix "$QT" -opensource -confirm-license \
        -xplatform win32-g++ -device-option CROSS_COMPILE=$HOST- -platform linux-g++ \
        -release -opengl desktop -no-icu -no-openssl -no-dbus -qt-zlib -qt-libpng \
        -qt-libjpeg -qt-pcre -qt-harfbuzz -qt-freetype -qt-doubleconversion \
        -no-sql-sqlite -no-sql-odbc \
        -make libs -make tools -nomake examples -nomake tests -I "$CACHE/wintab") \
        >"$CACHE/qtbase-configure.log" 2>&1 || { tail -30 "$CACHE/qtbase-configure.log"; exit 1; }
    fi
    say "building Qt base (30-50 minutes on two cores; log in $CACHE/qtbase-build.log)"
    (cd "$b" && nice -n 10 make -j"$JOBS" && make install) >"$CACHE/qtbase-build.log" 2>&1 ||
      { tail -30 "$CACHE/qtbase-build.log"; exit 1; }
    touch "$QT/.qtbase-installed"
  fi
  b=$CACHE/build/qtsvg
  mkdir -p "$b"
  say "building Qt SVG"
  (cd "$b" && "$QT/bin/qmake" "$QTSVG_SRC" && nice -n 10 make -j"$JOBS" && make install) \
    >"$CACHE/qtsvg-build.log" 2>&1 || { tail -30 "$CACHE/qtsvg-build.log"; exit 1; }
  touch "$QT/.qtsvg-installed"
  say "Qt built in $(((SECONDS - start) / 60)) min"
}

build_qt
[ "$QT_ONLY" = 1 ] && exit 0

# --- the two programs ---
start=$SECONDS
BUILD=$OUT/build
# -O2 like the Linux build: at -O3 GCC 12 warns of impossible allocation sizes in the
# vector code it inlines, and warnings are errors.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DBUILD_TESTING=OFF \
  -DFLOWSMITH_WERROR=ON -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/MinGW-w64.cmake" \
  -DCMAKE_PREFIX_PATH="$QT" >/dev/null
nice -n 10 cmake --build "$BUILD" -j "$JOBS" --target flowsmith flowctl
say "programs built in $((SECONDS - start)) s"

# --- the ready-to-run folder: no windeployqt when cross-building, so the DLLs are
# found by following the import tables ---
DIST=$OUT/Flowsmith
rm -rf "$DIST"
mkdir -p "$DIST/platforms" "$DIST/imageformats" "$DIST/translations"
cp "$BUILD/src/app/flowsmith.exe" "$BUILD/src/tools/flowctl/flowctl.exe" "$DIST/"
cp "$QT/plugins/platforms/qwindows.dll" "$DIST/platforms/"
cp "$QT/plugins/imageformats/qsvg.dll" "$DIST/imageformats/"
# Qt's Chinese catalogue of its standard dialogs is a list of four others, all needed.
# The .qm files do not depend on the platform: the ones Debian builds from the same
# Qt release are used.
for qm in qt qtbase qtscript qtmultimedia qtxmlpatterns; do
  cp "/usr/share/qt5/translations/${qm}_zh_CN.qm" "$DIST/translations/"
done

DLL_DIRS=("$QT/bin" "$(dirname "$($HOST-g++-posix -print-file-name=libstdc++-6.dll)")" "/usr/$HOST/lib")
deploy_imports() { # copies the DLLs a program or DLL imports that are not part of Windows
  local name dir
  for name in $($HOST-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
    [ -f "$DIST/$name" ] && continue
    for dir in "${DLL_DIRS[@]}"; do
      if [ -f "$dir/$name" ]; then
        cp "$dir/$name" "$DIST/"
        deploy_imports "$DIST/$name"
        break
      fi
    done
  done
}
for f in "$DIST"/*.exe "$DIST"/platforms/*.dll "$DIST"/imageformats/*.dll; do deploy_imports "$f"; done
# Symbols are of no use in the folder (libstdc++ alone shrinks from 24 MB to 2 MB).
find "$DIST" \( -name '*.exe' -o -name '*.dll' \) -exec $HOST-strip --strip-unneeded {} +

ZIP=$OUT/Flowsmith-windows-x64.zip
rm -f "$ZIP"
(cd "$OUT" && zip -qr9 "$ZIP" Flowsmith)
say "folder: $DIST ($(du -sh "$DIST" | cut -f1)), zip: $ZIP ($(du -h "$ZIP" | cut -f1))"
