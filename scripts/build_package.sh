#!/usr/bin/env bash
# Installs the dependencies (as root), builds, and makes the Debian package
# build/package/sonaflux_<version>_<arch>.deb with CPack.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
(cd build && cpack -G DEB -B package)
ls build/package/sonaflux_*.deb
