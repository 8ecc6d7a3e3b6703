#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs. Idempotent: installs only what is missing; uses
# sudo only when not root.
#   scripts/setup.sh          what building and running need
#   scripts/setup.sh package  that, plus what the Debian package needs (man page, checks)
#   scripts/setup.sh web      what building the page needs (make web)
#   scripts/setup.sh test     all of the above, plus what the tests need (the page's too)
# TOLVANE_FUZZ=1 adds the fuzzing compiler.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl1-mesa-dev
  libimgui-dev libstb-dev libpng-dev libjpeg62-turbo-dev libcli11-dev libxrandr-dev
  xplanet-images netpbm
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev  # turntable videos
)
mode=${1:-run}
if [ "$mode" = package ] || [ "$mode" = test ]; then
  # help2man writes the man page; dpkg-shlibdeps (dpkg-dev, file) finds the package's
  # dependencies; lintian, desktop-file-validate and man check the result.
  packages+=(help2man dpkg-dev file lintian desktop-file-utils man-db)
fi
if [ "$mode" = test ]; then
  packages+=(
    libgtest-dev libtinygltf-dev nlohmann-json3-dev
    xvfb xauth x11-utils x11-apps xdotool libx11-dev libxtst-dev
    openbox  # a real window manager for one end-to-end test; runs on Xvfb as it is
    ffmpeg   # ffprobe and ffmpeg read the turntable videos back
    libfuse3-dev fuse3  # a file system that fails folder syncs, for one fault test
  )
fi
# The page: emscripten for the build; Chromium and Node for its tests (npm installs the
# pinned driver into tests/web/node_modules).
if [ "$mode" = test ] || [ "$mode" = web ]; then
  packages+=(emscripten python3)
fi
if [ "$mode" = test ]; then
  packages+=(chromium)
fi
if [ "$mode" = test ] || [ "$mode" = web ]; then
  # Node and npm may come from elsewhere than Debian (NodeSource's nodejs bundles npm).
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi
if [ "${TOLVANE_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# npm's pinned packages, where their lock file is newer than what is installed: the page's muxer
# (served with the site) and the page tests' driver.
npm_install() {
  if [ ! -d "$1/node_modules/$2" ] || [ "$1/package-lock.json" -nt "$1/node_modules/.package-lock.json" ]; then
    npm ci --prefix "$1" --no-audit --no-fund
  fi
}
if [ "$mode" = test ] || [ "$mode" = web ]; then
  npm_install "$(dirname "$0")/../web" mediabunny
fi
if [ "$mode" = test ]; then
  # puppeteer-core downloads no browser; the tests point it at Debian's Chromium.
  npm_install "$(dirname "$0")/../tests/web" puppeteer-core
fi
