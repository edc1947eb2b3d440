#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
# Playwright drives Debian's chromium; it must not download a browser of its own.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefix tests/browser --no-audit --no-fund
# A failure in the first half must not hide the second: both run, then the status.
status=0
ctest --test-dir build --output-on-failure -j "$(nproc)" -LE package || status=1
# The package test installs and purges the package and adds a user: root only.
if [ "$(id -u)" = 0 ]; then
  ctest --test-dir build --output-on-failure -L package || status=1
fi

# The suite again, without the browser tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer, built by clang with the fuzz harnesses, whose
# seed corpora run as tests too. Only what the tests need is built, without
# the desktop program: this half also shows that the rest builds without Qt.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONAFLUX_SANITIZE=ON -DSONAFLUX_FUZZ=ON -DSONAFLUX_GUI=OFF
cmake --build build-sanitize -j "$(nproc)" --target sonaflux_tests \
  fuzz_frame_scanner fuzz_wav_reader fuzz_id3_title fuzz_parameters
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -LE browser -j "$(nproc)" || status=1
exit "$status"
