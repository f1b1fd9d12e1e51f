#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the program
# needs. Quick when everything is already there: only missing packages are
# fetched.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libqt6sql6-sqlite libqt6sql6-psql
    qt6-charts-dev libqt6opengl6-dev  # the report view's charts (Qt6Charts' CMake files need Qt6OpenGL's)
    libsqlite3-dev               # recordsets read SQLite results directly
    libuchardet-dev              # weighs the character set of imported files
    libsodium-dev                # Argon2id password hashes
    mdbtools-dev libpq-dev       # migration: reads old Access files; writes with COPY
    mdbtools bc                  # the migration benchmark's baseline (mdb-export)
    qt6-translations-l10n        # Qt's own dialogs in Chinese (是/否/确定/取消)
    fonts-wqy-microhei           # Chinese text on a fresh desktop
    sqlite3                      # builds the delivered torvel.db; benchmark baseline
    postgresql postgresql-contrib  # the shared-database engine, for the tests
    libssl-dev                   # TLS for mail (465/STARTTLS) and https
    openssl python3-aiosmtpd     # the tests' certificates and their real SMTP server
    libcurl4-openssl-dev         # received mail: IMAP and POP3 over TLS
    dovecot-imapd dovecot-pop3d  # the tests' real IMAP and POP3 server
    xvfb xauth                   # the real window on a machine without a display
    xdg-utils                    # xdg-open: links (web, mailto:, messengers) open in the desktop's programs
    libxkbcommon-x11-0 libxcb-cursor0 libxcb-icccm4 libxcb-keysyms1 libxcb-shape0
    libxcb-image0 libxcb-render-util0
    dpkg-dev lintian             # the Debian package: its library dependencies, and its check
    x11-utils desktop-file-utils # the package test: the program's window, the desktop entry
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
