#!/usr/bin/env bash
# The one list of system packages that building, testing and running Flowsmith need.
# Idempotent: installs only what is missing. Uses sudo when not run as root.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang-format
  # Qt 5.15 and its Chinese translation of the standard dialogs
  qtbase5-dev qtbase5-dev-tools libqt5svg5-dev libqt5x11extras5-dev qttranslations5-l10n
  # X11: injection (XTest), raw button events (XInput2), screensaver control (Xss)
  libx11-dev libxtst-dev libxi-dev libxss-dev libxext-dev
  # the text a recorded key typed (keysym to Unicode)
  libxkbcommon-dev
  # desktop tests, screenshots and benchmarks under a virtual display
  xvfb xauth xdotool x11-utils imagemagick
  # a font that renders the Chinese user interface
  fonts-wqy-microhei
  # Windows: the MinGW-w64 cross compilers (posix threads), Wine to run what they build
  # and Wine's own fonts for Qt's interface font; zip for the Windows folder, xxd for what
  # scripts/test-windows.sh reads back in hexadecimal
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine zip xxd
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
