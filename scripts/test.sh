#!/usr/bin/env bash
# Builds everything and runs every test: installs the packages, starts a
# throw-away PostgreSQL cluster on 127.0.0.1 for the database tests and a
# throw-away Dovecot (IMAP and POP3 over TLS) for the received-mail tests,
# runs ctest, and stops both again whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

stop_servers() {
    ./scripts/imap-test-server.sh stop >/dev/null 2>&1 || true
    ./scripts/pg-test-server.sh stop >/dev/null 2>&1 || true
}
trap stop_servers EXIT
eval "$(./scripts/pg-test-server.sh start)"
eval "$(./scripts/imap-test-server.sh start)"

ctest --test-dir build --output-on-failure -j2 "$@"
