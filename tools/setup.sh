#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tembr need.
# Packages that are already installed are skipped, so a second run costs almost nothing.
set -euo pipefail

packages=(
  # Toolchain, and the compiler cache that lets the package build reuse the test build's objects
  build-essential cmake pkg-config git clang libclang-rt-14-dev ccache
  # Qt 6: widgets, OpenGL widgets, D-Bus, local sockets, uic
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libglu1-mesa-dev
  # Audio: decoding, output, spectrum
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libsdl2-dev libkissfft-dev
  # Tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # A real X server, OpenGL in software, and tools to drive and photograph the window and
  # to switch its keyboard layout
  xvfb xauth x11-utils x11-xkb-utils xdotool imagemagick libgl1-mesa-dri mesa-utils
  # A tray host and a private session bus for desktop-integration tests
  trayer dbus dbus-x11
  # Reference tools for fixtures and side-by-side benchmarks
  ffmpeg sox
  # The Debian package: dependencies from the executable, and the checks of its files
  dpkg-dev desktop-file-utils appstream lintian
  # Fonts with Cyrillic glyphs
  fonts-dejavu-core fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
