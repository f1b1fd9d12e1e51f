#!/usr/bin/env bash
# Builds everything and runs every test: installs the packages, starts a
# throw-away PostgreSQL cluster on 127.0.0.1 for the database tests, runs
# ctest, and stops the cluster again whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

eval "$(./scripts/pg-test-server.sh start)"
trap './scripts/pg-test-server.sh stop >/dev/null 2>&1 || true' EXIT

ctest --test-dir build --output-on-failure -j2 "$@"
