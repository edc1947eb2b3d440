#!/usr/bin/env bash
# Installs the dependencies, builds, and converts the demo tune into a
# complete output set: the page for every browser, controller output with the
# default controller.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
mkdir -p build/demo
bash scripts/make_demo_input.sh build/demo/demo-tune.wav
rm -rf build/demo/output && mkdir -p build/demo/output
build/bin/sonaflux-cli --yes --page html5 --title "Sonaflux demo tune" --output-folder build/demo/output \
  build/demo/demo-tune.wav
echo
echo "Output set in $(pwd)/build/demo/output:"
ls -l build/demo/output
echo
echo "To open it in your browser:"
echo "  build/bin/sonaflux-cli --serve build/demo/output"
