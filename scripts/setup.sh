#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build, run, test and benchmark.
# Idempotent: installs only what is missing; uses sudo only when not root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl1-mesa-dev
  libimgui-dev libstb-dev
  libgtest-dev
  xvfb xauth x11-utils x11-apps xdotool libx11-dev libxtst-dev
  xplanet-images netpbm
)
# Only for `make fuzz`; not needed by run or test.
if [ "${TOLVANE_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
