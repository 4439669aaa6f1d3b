#!/usr/bin/env bash
# The real game as a black box under an X server of its own, driven with
# xdotool: one scripted session through a scene list with the keys that move
# through it, the closing scene's click, a missing scene, and the start-up
# paths without a list or without a display.
# Usage: session.sh GAME_BINARY
set -euo pipefail
source "$(dirname "$0")/../../packaging/game_shell.sh"
game=$(realpath "$1")
work=$(mktemp -d)
trap 'stop_jobs; rm -rf "$work"' EXIT
cd "$work"
fail() {
    printf 'FAIL: %s\n--- stdout\n%s\n--- stderr\n%s\n' "$*" "$(cat log)" "$(cat err)"
    exit 1
}

triangle() { printf 'normal [0, 0, 1]\n'; printf 'colour [200, 10, 10]\nvertex [%s]\n' "$@"; }
{ echo "triangles 2"; triangle "-10, -10, 0" "10, -10, 0" "10, 10, 0"
  triangle "-10, -10, 0" "10, 10, 0" "-10, 10, 0"; } >floor.txt
{ echo "triangles 1"; triangle "-0.5, 0, -0.5" "0.5, 0, -0.5" "0, 0, 0.5"; } >body.txt
scene() {
    printf 'background [0.1, 0.2, 0.3]\nhud [1, 1, 0]\nfallout -5\nlane floor.txt\n'
    printf 'collision floor.txt\ncamera [0, -10, 3]\npins %d\nball [0, -2, 0.5]\n' "$1"
    printf 'ball_radius 0.5\nball_mass 7\nball_model body.txt\n'
    for ((i = 0; i < $1; i++)); do
        printf 'pin [%d, 4, 0.5]\npin_radius 0.5\npin_mass 1\npin_model body.txt\n' $((2 * i))
    done
}
scene 2 >a.txt
scene 2 >end.txt
scene 0 >nopins.txt

# The log is read while the game runs: the game line-buffers it itself, so
# that a log to a file survives a crash or a kill.
# SDL_Quit unloads the GL driver, after which LeakSanitizer cannot tell the
# driver's allocations from the game's; those are checked in-process.
export ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0
start() { "$game" "$@" >log 2>err & game_pid=$!; }
finish() {  # EXPECTED-STATUS
    local status=0
    wait "$game_pid" || status=$?
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}
has_loaded() { loads | grep -qxF "$1"; }
wait_for_load() { within 30 has_loaded "$1" || fail "$1 was never loaded"; }
# Holds a key for many frames, lets it go, and waits until the log has been
# quiet for a while.
hold() {  # KEY SECONDS
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
    local size=-1
    while [ "$size" != "$(stat -c %s log)" ]; do size=$(stat -c %s log); sleep 0.7; done
}
quit() { xdotool keydown Escape; finish 0; xdotool keyup Escape; }
loads() { scenes_loaded log; }
expect_tail() { [ "$(tail -c ${#1} log; echo .)" = "$1." ] || fail "the log does not end with: $1"; }
nl=$'\n'

start_xvfb

# The session: a pinless scene passes by itself; F5 plays a scene again and
# F12 moves on in list order, once a press however long it is held, and
# again at once on the next press; Escape quits.
printf 'scenes 3\nempty nopins.txt\nfirst a.txt\nclosing end.txt\n' >scenelist.txt
start alpha "two words"
wait_for_load a.txt
hold F5 0.6
hold F12 0.6
hold F12 0.1
quit
head=$'1 alpha\n2 two words\nloading list of scenes...\n3 scenes\ndone loading scene list\nOpenGL Vendor:   '
[ "$(head -c ${#head} log)" = "$head" ] || fail "the log does not start with: $head"
grep -q '^OpenGL Renderer: .' log && grep -q '^OpenGL Version:  .' log || fail "driver strings"
[ "$(loads | tr '\n' ' ')" = "nopins.txt a.txt a.txt end.txt nopins.txt a.txt " ] ||
    fail "loads in this order: $(loads | tr '\n' ' ')"
grep -qxF "unloading scene..." <(tail -n 4 log) || fail "no unload before the end"
expect_tail "$nl$nl....Done....$nl"
[ ! -s err ] || fail "unexpected standard error"

# The closing scene ends with a click and play starts again from the top;
# quitting there passes the end of the list once more.
printf 'scenes 2\nempty nopins.txt\nclosing end.txt\n' >scenelist.txt
start
wait_for_load end.txt
xdotool click 1
within 30 eval '[ "$(loads | grep -c end.txt)" -ge 2 ]' || true
quit
[ "$(loads | head -4 | tr '\n' ' ')" = "nopins.txt end.txt nopins.txt end.txt " ] ||
    fail "the click did not start the list again"
after=$(grep -m 1 -B 1 -A 1 -xF "completed game..." log)
[ "$(head -n 1 <<<"$after")" = "unloading scene..." ] && [ "$(scenes_loaded <<<"$after")" = nopins.txt ] ||
    fail "no completed game before the first scene"
expect_tail "unloading scene...${nl}completed game...$nl$nl....Done....$nl"

# A scene that cannot be loaded ends the game.
printf 'scenes 2\nfirst missing.txt\nclosing end.txt\n' >scenelist.txt
start
finish 0
expect_tail "Unable to open file: missing.txt for scene loading$nl$nl....Done....$nl"

# Without a display: the video-mode message and status 2.
unset DISPLAY
export SDL_VIDEODRIVER=x11
start
finish 2
[ "$(cat log)" = $'loading list of scenes...\n2 scenes\ndone loading scene list\nSDL_Init failed with code -1' ] ||
    fail "no-display log"
[ "$(wc -l <err)" -eq 1 ] && grep -q "^Couldn't set a particular GL video mode: ." err ||
    fail "no-display message"

# A bad list ends the game before any window, with status 0.
printf 'scenes 0\n' >scenelist.txt
start
finish 0
[ "$(cat log)" = $'loading list of scenes...\n0 scenes\ninvalid first line, or number of scenes stated\nError in scene list file, scenelist.txt' ] ||
    fail "bad list log"
echo "session passed"
