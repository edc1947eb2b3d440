#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  cmake g++ make pkg-config \
  clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev \
  libmp3lame-dev libmpg123-dev libsoxr-dev libtag1-dev \
  ffmpeg lame sox time ca-certificates \
  qt6-base-dev qt6-multimedia-dev fonts-liberation xvfb xauth imagemagick \
  qt6-svg-dev \
  libcpp-httplib-dev zlib1g-dev \
  chromium firefox-esr pulseaudio \
  dpkg-dev file appstream desktop-file-utils curl
# Node.js and npm run the browser tests. A machine whose Node.js already
# brings npm keeps it: Debian's npm package conflicts with such builds.
if ! command -v npm >/dev/null; then
  apt-get install -y --no-install-recommends nodejs npm
fi
