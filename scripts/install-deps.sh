#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need,
# skipping those already present. `--list` prints the package names, one a
# line, and installs nothing (scripts/check-deps.sh reads them).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache clang-format python3
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev libqt6opengl6-dev libgl-dev
  libxkbcommon-dev
  libhidapi-dev libudev-dev
  libglib2.0-dev libglib2.0-bin gsettings-desktop-schemas libx11-dev libxi-dev libxtst-dev
  xvfb xauth x11-apps x11-utils imagemagick xdotool dbus-daemon
  sway wtype grim xwayland qt6-wayland libwayland-dev
  fonts-dejavu-core fonts-droid-fallback
  dpkg-dev file lintian desktop-file-utils appstream
)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
