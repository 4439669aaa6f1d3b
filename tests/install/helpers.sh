# shellcheck shell=bash
# Shared by install_test.sh and package_test.sh: a scratch folder, every
# process started stopped at the end, an X server of their own, and the
# checks that any installed launcher must pass.
set -euo pipefail
# start_xvfb, within and the game's log come from here.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
work=$(mktemp -d)
trap 'stop_jobs; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# quit_with_escape PID: holds Escape until the process ends, as a player
# would; the game reads the key once a frame.
quit_with_escape() {
    xdotool keydown Escape
    within 15 gone "$1" || fail "Escape did not quit"
    xdotool keyup Escape
}

# play NAME LAUNCHER [ARGUMENTS...]: started from /, the launcher's game loads
# its first scene in a window of the class the menu entry names (or $wmclass),
# and Escape quits with status 0. The log stays in $work/NAME.log.
play() {
    local log=$work/$1.log
    (cd / && exec "${@:2}") >"$log" 2>&1 &
    local pid=$! status=0 w
    loaded_within 30 "$log" $pid || fail "$1: $(cat "$log")"
    # xdotool matches classes ignoring case; xprop shows the class exactly.
    w=$(xdotool search --limit 1 --class "^${wmclass:-skorvel}\$") &&
        grep -q ", \"${wmclass:-skorvel}\"\$" <(xprop -id "$w" WM_CLASS) ||
        fail "$1: no window of class ${wmclass:-skorvel}"
    quit_with_escape "$pid"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "$1: exit status $status: $(cat "$log")"
}

# first_scene NAME: the scene the game loaded first in play NAME.
first_scene() { scenes_loaded "$work/$1.log" | head -n 1; }

# snapshot FOLDER: every file's name and checksum, to show that nothing was written.
snapshot() { (cd "$1" && find . -type f -exec md5sum {} + | sort -k 2); }

# break_camera FILE: a space before a comma on the camera line, which makes
# the game refuse the scene.
break_camera() { sed -i 's/^camera \[\([^,]*\),/camera [\1 ,/' "$1"; }

# refuses_broken_folder LAUNCHER LEVELS: a copy of the levels with a typo in
# one scene gives the checker's finding and status 1, and no game starts.
refuses_broken_folder() {
    local broken=$work/broken status=0 out
    rm -rf "$broken"
    cp -r "$2" "$broken"
    break_camera "$broken/tenpin_scene.txt"
    # A game started by mistake is stopped, so that the test fails instead of waiting.
    out=$(cd / && timeout 30 "$1" "$broken" 2>&1) || status=$?
    [ "$status" -eq 1 ] || fail "a broken folder gave status $status: $out"
    grep -q '^tenpin_scene.txt:[0-9]*: error: ' <<<"$out" || fail "no finding for the typo: $out"
    ! grep -q "loading list of scenes" <<<"$out" || fail "the game started on a broken folder: $out"
}

# makes_new_level TOOL LEVELS FOLDER: skorvel-new-level, run inside a copy
# of the levels, starts a level there and lists it, and leaves no bytecode
# in the install.
makes_new_level() {
    cp -r "$2" "$3"
    local out
    out=$(cd "$3" && "$1" mine --pins 4) || fail "skorvel-new-level: $out"
    [ -f "$3/mine_scene.txt" ] && grep -qx mine_scene.txt <<<"$("$(dirname "$1")/skorvel-check" --scenes "$3")" ||
        fail "skorvel-new-level wrote no listed level: $out"
    [ -z "$(find "$(dirname "$1")/.." -name __pycache__)" ] || fail "bytecode written into the install"
}
