#!/usr/bin/env bash
# Builds the Debian package: build/torvel_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
cpack --config build/CPackConfig.cmake -B build >/dev/null
ls build/torvel_*.deb
