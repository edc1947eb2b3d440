#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
# Playwright drives Debian's chromium; it must not download a browser of its own.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefix tests/browser --no-audit --no-fund
ctest --test-dir build --output-on-failure -j "$(nproc)"
