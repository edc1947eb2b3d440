#!/usr/bin/env bash
# The Debian package on this machine (as root): built with CPack, installed
# with apt-get, used by a new user who is not root, then purged, after which
# nothing of it may be left outside that user's home. Removes the package
# and the user again. Usage: package_test.sh BUILD_FOLDER
set -euo pipefail
[ "$(id -u)" = 0 ] || { echo "the package test installs software: run it as root"; exit 77; }
build=$(cd "$1" && pwd)
wav=$(cd "$(dirname "$0")/../data/mutagen" && pwd)/silence-2s-PCM-44100-16-ID3v23.wav
user=sonaflux-test-$$
work=$(mktemp -d)
chmod 755 "$work"
gui=
cleanup() {
  [ -z "$gui" ] || kill "$gui" 2>/dev/null || true
  if dpkg -s sonaflux >/dev/null 2>&1; then apt-get purge -y -q sonaflux >/dev/null || true; fi
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/common.sh"

if dpkg -s sonaflux >/dev/null 2>&1; then fail "sonaflux is installed already; this test would remove it"; fi
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || fail "$(cat "$work/cpack.log")"
deb=$(ls "$work"/sonaflux_*_*.deb)
cp "$wav" "$work/in.wav"
chmod 644 "$work/in.wav"

apt-get install -y -q --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || fail "$(cat "$work/apt.log")"
appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml >"$work/check" 2>&1 || fail "$(cat "$work/check")"
desktop-file-validate /usr/share/applications/sonaflux.desktop || fail "desktop file"

useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# COMMAND... as that user in a clean environment, in place of the calling
# (sub)shell, so that $! of "(as_user ...) &" is the program itself.
as_user() {
  exec setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 BROWSER=true "$@"
}
(as_user sonaflux-cli --output-folder "$home" --title Test "$work/in.wav") >"$work/out" 2>&1 || fail "$(cat "$work/out")"
[ -s "$home/snx1.htm" ] || fail "no page: $(cat "$work/out")"
[ "$(sed -n 10p "$home/.config/sonaflux/snx.da0" | tr -d '\r')" = 2 ] || fail "the user's number did not advance"

display=:$((100 + $$ % 500))
bash "$(dirname "$0")/main_window_shows.sh" "$display" \
  setpriv --reuid="$user" --regid="$user" --init-groups \
  env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$display" sonaflux >"$work/gui" 2>&1 ||
  fail "the main window: $(cat "$work/gui")"

dpkg -L sonaflux >"$work/files"
apt-get purge -y -q sonaflux >>"$work/apt.log" 2>&1 || fail "purge: $(tail "$work/apt.log")"
left=
while read -r path; do
  # Folders the package shares with others (/usr/bin ...) stay.
  if [ -e "$path" ] && ! [ -d "$path" ]; then left="$left $path"; fi
done <"$work/files"
for folder in /usr/lib/sonaflux /usr/share/doc/sonaflux; do [ ! -e "$folder" ] || left="$left $folder"; done
left="$left $(find /usr /etc /var /opt -xdev -name '*sonaflux*' 2>/dev/null | tr '\n' ' ')"
[ -z "${left// /}" ] || fail "left after purge:$left"
echo "package $(basename "$deb"): every check passed"
