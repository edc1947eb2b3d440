#!/usr/bin/env bash
# The programs as installed: `cmake --install` with DESTDIR into a temporary
# prefix, the program folder made read only, and the installed programs run
# from there by two users, each with a home of their own and no desktop
# folder. Usage: staged_install_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
source "$(dirname "$0")/common.sh"

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
program="$work/stage/usr/lib/sonaflux"

# Every file of the build's program folder but the writable ones and the test
# programs is installed.
( cd "$build/bin" && find . -type f ! -name '*_tests' ! -name 'snx.lock' ! -name 'snx.da0.new' ! -name preview.htm | sort ) \
  > "$work/built"
( cd "$program" && find . -type f | sort ) > "$work/installed"
missing=$(comm -23 "$work/built" "$work/installed")
[ -z "$missing" ] || fail "not installed: $missing"
for link in sonaflux sonaflux-cli; do
  [ "$(readlink -f "$work/stage/usr/bin/$link")" = "$program/$link" ] || fail "usr/bin/$link"
done
chmod -R a-w "$program"

wav=$(dirname "$0")/../data/mutagen/silence-2s-PCM-44100-16-ID3v23.wav
for user in a b; do mkdir -p "$work/home-$user" "$work/out-$user"; done
# USER COMMAND...: the command in that user's environment, in place of the
# calling (sub)shell, so that $! of "(as_user ...) &" is the program itself.
as_user() {
  local user=$1
  shift
  exec env -u XDG_CONFIG_HOME HOME="$work/home-$user" BROWSER=true "$@"
}
number_of() { sed -n 10p "$work/home-$1/.config/sonaflux/snx.da0" | tr -d '\r'; }

# With no desktop folder the output goes home; the settings land in ~/.config/sonaflux/.
(as_user b "$program/sonaflux-cli" --title Home "$wav") >/dev/null 2>"$work/err" || fail "$(cat "$work/err")"
[ -s "$work/home-b/snx1.htm" ] || fail "no page in the home folder: $(ls "$work/home-b")"
[ "$(number_of b)" = 2 ] || fail "user b's number is $(number_of b)"

# Two users at once, each with the number of their own settings file.
sed -i '10s/.*/500\r/' "$work/home-b/.config/sonaflux/snx.da0"
# A job holds its input locked: each user converts a file of their own.
cp "$wav" "$work/home-b/in.wav"
(as_user a "$program/sonaflux-cli" --output-folder "$work/out-a" "$wav") >/dev/null 2>"$work/err-a" &
first=$!
(as_user b "$program/sonaflux-cli" --output-folder "$work/out-b" "$work/home-b/in.wav") >/dev/null 2>"$work/err-b" &
wait "$first" || fail "user a: $(cat "$work/err-a")"
wait $! || fail "user b: $(cat "$work/err-b")"
[ -s "$work/out-a/snx1.htm" ] && [ -s "$work/out-b/snx500.htm" ] || fail "numbers: $(ls "$work/out-a" "$work/out-b")"
[ "$(number_of a)/$(number_of b)" = 2/501 ] || fail "numbers on disk $(number_of a)/$(number_of b)"

# The desktop program starts and paints its main window.
display=:$((100 + $$ % 500))
(as_user a bash "$(dirname "$0")/main_window_shows.sh" "$display" env DISPLAY="$display" "$program/sonaflux") \
  >"$work/gui-err" 2>&1 || fail "the main window: $(cat "$work/gui-err")"
echo "staged install: every check passed"
