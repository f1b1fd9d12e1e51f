#!/usr/bin/env bash
# Builds the Debian package from a finished build tree, reads it the way dpkg
# and lintian do, unpacks it into a scratch root, and starts the unpacked
# program once under Xvfb with a fresh HOME: it must make the user's own
# program folder, fill it from the installed files and show the login window.
#
#   check-package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
pid=""
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/torvel_*.deb)

info=$(dpkg-deb -I "$deb")
for wanted in "Package: torvel" "libqt6widgets6" "libqt6sql6-sqlite" "libqt6sql6-psql" \
    "qt6-qpa-plugins" "fonts-wqy-microhei" "xdg-utils" "libssl3" "libmdb3" "libsodium23" \
    "libqt6charts6"; do
    grep -q -- "$wanted" <<<"$info" || fail "dpkg-deb -I lacks '$wanted'"
done

contents=$(dpkg -c "$deb")
for file in usr/bin/torvel usr/bin/torvel-migrate usr/lib/torvel/torvel usr/lib/torvel/torvel-migrate \
    usr/lib/torvel/DailyWork.so usr/lib/torvel/UserList.so usr/lib/torvel/Appliance.so \
    usr/lib/torvel/WageList.so usr/lib/torvel/SmsUI.so usr/lib/torvel/MailUI.so \
    usr/lib/torvel/SMSAPI.so usr/lib/torvel/torvel.db usr/lib/torvel/installed \
    usr/lib/torvel/res/ usr/lib/torvel/templet/create_sky_user.txt \
    usr/share/applications/torvel.desktop usr/share/icons/hicolor/256x256/apps/torvel.png \
    usr/share/doc/torvel/copyright; do
    grep -q " \./$file" <<<"$contents" || fail "the package lacks /$file"
done

lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian found errors"; }
grep -q '^E:' "$work/lintian.log" && { cat "$work/lintian.log"; fail "lintian errors"; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/out/_CPack_Packages"/*/DEB/*/usr/share/applications/torvel.desktop ||
        fail "desktop entry"
fi

dpkg-deb -x "$deb" "$work/root"
home="$work/home"
mkdir -p "$home"
export HOME="$home"
unset XDG_DATA_HOME TORVEL_HOME
export QT_QPA_PLATFORM=xcb

# The login window is the first top-level window of the program.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" >"$2/program.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 60); do
        if xwininfo -root -tree 2>/dev/null | grep -q "(\"torvel\" "; then
            kill $pid
            exit 0
        fi
        kill -0 $pid 2>/dev/null || { cat "$2/program.log"; exit 2; }
        sleep 0.5
    done
    kill $pid
    exit 3
' check "$work/root/usr/bin/torvel" "$work" || fail "no login window ($?)"

folder="$home/.local/share/torvel"
for file in torvel.db settings.ini velmora.ini res templet/create_sky_user.txt; do
    [[ -e $folder/$file ]] || fail "the user's folder lacks $file"
done
[[ $(stat -c %a "$folder") == 700 ]] || fail "the user's folder is not private"
[[ $(sqlite3 "$folder/torvel.db" "select count(*) from UserData where UserName='admin'") == 1 ]] ||
    fail "no admin in the user's database"
[[ ! -e $work/root/usr/lib/torvel/database.ini && ! -e $work/root/usr/lib/torvel/data ]] ||
    fail "the program wrote into the installed folder"
echo "package checked: $(basename "$deb")"
