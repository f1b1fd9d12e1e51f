#!/usr/bin/env bash
# Builds the program and starts it on the ready program folder build/app, which
# holds the delivered SQLite database torvel.db (log in as admin / admin).
# Extra arguments go to the program, e.g. --home DIR for another program folder.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target torvel torvel_app_folder

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found: starting on a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a -s "-screen 0 1280x800x24" ./build/app/torvel "$@"
fi
exec ./build/app/torvel "$@"
