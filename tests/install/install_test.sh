#!/usr/bin/env bash
# Usage: install_test.sh BUILD-DIR
# Installs the game into a scratch DESTDIR and checks it as a desktop and a
# player would meet it: the menu entry, the metainfo and the man page pass
# their validators, and the installed launcher, started from /, plays the
# installed levels and a copied level folder under an X server of its own,
# in a window of the class the menu entry names.
set -euo pipefail
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# within SECONDS COMMAND...: true once the command succeeds, polled 10 times a second.
within() {
    for _ in $(seq $(($1 * 10))); do "${@:2}" && return 0 || sleep 0.1; done
    return 1
}

DESTDIR=$work/root cmake --install "$1" --prefix /usr >/dev/null
share=$work/root/usr/share
launcher=$work/root/usr/bin/skorvel
desktop-file-validate "$share/applications/skorvel.desktop"
out=$(appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml 2>&1) || fail "$out"
out=$(man --warnings -l "$share/man/man6/skorvel.6" 2>&1 >/dev/null) && [ -z "$out" ] ||
    fail "man page: $out"
[ -f "$share/icons/hicolor/128x128/apps/skorvel.png" ] || fail "no icon installed"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$share/applications/skorvel.desktop")

Xvfb -displayfd 3 -noreset -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
within 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

# play NAME [LEVEL-FOLDER]: the first scene loads, and Escape quits with status 0.
play() {
    local log=$work/$1.log
    (cd / && exec "$launcher" "${@:2}") >"$log" 2>&1 &
    local pid=$! status=0 w
    pids+=("$pid")
    within 20 eval "grep -q 'done loading scene from file' '$log' || ! kill -0 $pid 2>/dev/null"
    grep -q "done loading scene from file" "$log" || fail "$1: $(cat "$log")"
    # xdotool matches classes ignoring case; xprop shows the class exactly.
    w=$(xdotool search --limit 1 --class "^$wmclass\$") &&
        xprop -id "$w" WM_CLASS | grep -q ", \"$wmclass\"\$" || fail "$1: no window of class $wmclass"
    xdotool keydown Escape
    within 10 eval "! kill -0 $pid 2>/dev/null" || fail "$1: Escape did not quit"
    xdotool keyup Escape
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "$1: exit status $status: $(cat "$log")"
}
play installed
cp -r "$share/skorvel/levels" "$work/my levels"
play copied "$work/my levels"

mkdir "$work/empty"
out=$(cd / && "$launcher" "$work/empty" 2>&1) && fail "a folder without scenelist.txt played"
grep -q "scenelist.txt" <<<"$out" || fail "no reason given: $out"
echo "installed, validated and played from /"
