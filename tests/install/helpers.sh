# shellcheck shell=bash
# Shared by the install, package and sdl12-compat tests: a scratch folder,
# every process started stopped at the end, and the checks that any
# installed game must pass.
set -euo pipefail
# start_xvfb, within and the game's log come from here.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
work=$(mktemp -d)
trap 'stop_jobs; rm -rf "$work"' EXIT
# fail MESSAGE: ends the test, with the files in $show, if any.
fail() {
    echo "FAIL: $*" >&2
    # shellcheck disable=SC2086  # a list of files
    [ -z "${show:-}" ] || tail -n 40 $show >&2
    exit 1
}
# outcome COMMAND...: what the command says, in $out, and its exit status, in $status.
outcome() { status=0 && out=$("$@" 2>&1) || status=$?; }

# play NAME LAUNCHER [ARGUMENTS...]: started from /, the launcher's game loads
# its first scene in a window of the class the menu entry names (or $wmclass),
# and Escape quits with status 0. The log stays in $work/NAME.log, what the
# window showed the desktop in $work/NAME.window, and the game's memory map
# as it played in $work/NAME.maps.
play() {
    local log=$work/$1.log
    (cd / && exec "${@:2}") >"$log" 2>&1 &
    local pid=$! status=0 w
    loaded_within 30 "$log" $pid || fail "$1: $(cat "$log")"
    cp "/proc/$pid/maps" "$work/$1.maps"
    # xdotool matches classes ignoring case; xprop shows the class exactly.
    w=$(xdotool search --limit 1 --class "^${wmclass:-skorvel}\$") &&
        xprop -id "$w" WM_NAME _NET_WM_NAME WM_ICON_NAME _NET_WM_ICON_NAME WM_CLASS >"$work/$1.window" &&
        xwininfo -id "$w" | grep -E '^ *(Width|Height|Depth|Map State):' >>"$work/$1.window" &&
        grep -q "^WM_CLASS.*, \"${wmclass:-skorvel}\"\$" "$work/$1.window" ||
        fail "$1: no window of class ${wmclass:-skorvel}"
    # Escape is held until the game ends, as a player would: it reads the key once a frame.
    xdotool keydown Escape
    within 15 gone "$pid" || fail "$1: Escape did not quit"
    xdotool keyup Escape
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "$1: exit status $status: $(cat "$log")"
}

# snapshot FOLDER: every file's name and checksum, to show that nothing was written.
snapshot() { (cd "$1" && find . -type f -exec md5sum {} + | sort -k 2); }

# A space before a comma on the camera line makes the game refuse a scene.
camera_typo='s/^camera \[\([^,]*\),/camera [\1 ,/'

# refuses_broken_folder LAUNCHER LEVELS: a copy of the levels with a typo in
# one scene gives the checker's finding and status 1, and no game starts.
refuses_broken_folder() {
    local broken=$work/broken
    rm -rf "$broken"
    cp -r "$2" "$broken"
    sed -i "$camera_typo" "$broken/tenpin_scene.txt"
    # A game started by mistake is stopped, so that the test fails instead of waiting.
    outcome timeout 30 "$1" "$broken"
    [ "$status" -eq 1 ] || fail "a broken folder gave status $status: $out"
    grep -q '^tenpin_scene.txt:[0-9]*: error: ' <<<"$out" || fail "no finding for the typo: $out"
    ! grep -q "loading list of scenes" <<<"$out" || fail "the game started on a broken folder: $out"
}

# makes_new_level TOOL LEVELS FOLDER: skorvel-new-level, run inside a copy
# of the levels, starts a level there and lists it, and leaves no bytecode
# in the install.
makes_new_level() {
    cp -r "$2" "$3"
    out=$(cd "$3" && "$1" mine --pins 4) || fail "skorvel-new-level: $out"
    [ -f "$3/mine_scene.txt" ] && grep -qx mine_scene.txt <<<"$("$(dirname "$1")/skorvel-check" --scenes "$3")" ||
        fail "skorvel-new-level wrote no listed level: $out"
    [ -z "$(find "$(dirname "$1")/.." -name __pycache__)" ] || fail "bytecode written into the install"
}

# pages_read_well ROOT: each manual page is found by name and renders
# without warnings, and every path under /usr it names is in ROOT.
pages_read_well() {
    local page path
    for page in "6 skorvel" "1 skorvel-check" "1 skorvel-obj" "1 skorvel-new-level"; do
        # shellcheck disable=SC2086  # the section and the name are two words
        out=$(MANWIDTH=80 man --warnings -M "$1/usr/share/man" $page 2>&1 >/dev/null) && [ -z "$out" ] ||
            fail "man $page: $out"
        # shellcheck disable=SC2086
        for path in $(man -M "$1/usr/share/man" -w $page | xargs zcat | sed -n 's/^\.I \(\/usr\/.*\)$/\1/p'); do
            [ -e "$1${path//\\-/-}" ] || fail "man $page names $path, which is not installed"
        done
    done
}
