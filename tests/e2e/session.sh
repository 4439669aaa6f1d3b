#!/usr/bin/env bash
# The real game as a black box under an X server of its own, driven with
# xdotool: one scripted session through a scene list with the keys that move
# through it, the closing scene's click, a missing scene, and the start-up
# paths without a display.
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

# One triangle is the floor, and the model of the ball and the pins.
{ printf 'triangles 1\nnormal [0, 0, 1]\n'
  printf 'colour [200, 10, 10]\nvertex [%s]\n' "-20, -20, 0" "20, -20, 0" "0, 40, 0"; } >floor.txt
# scene [X,Y...]: a scene with a pin at each place given.
scene() {
    printf 'background [0.1, 0.2, 0.3]\nhud [1, 1, 0]\nfallout -5\nlane floor.txt\n'
    printf 'collision floor.txt\ncamera [0, -10, 3]\npins %d\nball [0, -2, 0.5]\n' $#
    printf 'ball_radius 0.5\nball_mass 7\nball_model floor.txt\n'
    [ $# -eq 0 ] || printf 'pin [%s, 0.5]\npin_radius 0.5\npin_mass 1\npin_model floor.txt\n' "$@"
}
scene "0, 4" "2, 4" >a.txt
scene "0, 4" "2, 4" >end.txt
scene >nopins.txt
scene "0, -3.2" >behind.txt

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
loaded() { [ "$(scenes_loaded log | wc -l)" -ge "$1" ]; }
# press KEY SECONDS LOADS: holds a key for many frames, and waits until the
# game has loaded LOADS scenes in all.
press() {
    xdotool keydown "$1" sleep "$2" keyup "$1"
    within 30 loaded "$3" || fail "after $1, not $3 scenes loaded"
}
quit() { xdotool keydown Escape; finish 0; xdotool keyup Escape; }
# the_log_is TEXT: the log is TEXT and the last words, but for the driver
# strings' values, and standard error is empty.
the_log_is() {
    [ "$(sed -E 's/^(OpenGL [A-Za-z]+: +).+/\1./' log)" = "$1$nl$nl....Done...." ] && [ ! -s err ] ||
        fail "the log is not:$nl$1"
}
nl=$'\n'
list() { printf 'loading list of scenes...\n%s scenes\ndone loading scene list\n' "$1"; }
driver=$(printf 'OpenGL %s .\n' 'Vendor:  ' Renderer: 'Version: ')
# played SCENE|+...: the log of scenes loaded and left in turn, + where the
# list was completed.
played() { printf '%s\n' "$@" | sed -e 's/^+$/completed game.../;t' -e 's/.*/done loading scene from file &\nunloading scene.../'; }

start_xvfb

# The session: a pinless scene passes by itself; F5 plays a scene again and
# F12 moves on in list order, once a press however long it is held, and
# again at once on the next press; Escape quits.
printf 'scenes 3\nempty nopins.txt\nfirst a.txt\nclosing end.txt\n' >scenelist.txt
start alpha "two words"
within 30 loaded 2 || fail "a.txt was never loaded"
window=$(xdotool search --name '^Skorvel$') && grep -q 'Geometry: 640x480$' <(xdotool getwindowgeometry "$window") ||
    fail "no window of 640x480 named Skorvel"
press F5 0.6 3
press F12 0.6 4
press F12 0.1 6
quit
the_log_is "$(printf '1 alpha\n2 two words\n'; list 3; echo "$driver"
    played nopins.txt a.txt a.txt end.txt + nopins.txt a.txt)"

# A drag towards the player throws the ball back into the pin behind it,
# which falls off the floor. The closing scene ends with a click and play
# starts again from the top; quitting there passes the end of the list once
# more. A click that comes as the game takes the pointer can be lost:
# another follows.
printf 'scenes 2\nthrow behind.txt\nclosing end.txt\n' >scenelist.txt
throw() { xdotool mousedown 1 sleep 0.3 mousemove_relative 0 80 sleep 0.3 mouseup 1; }
start
within 30 loaded 1 && throw && within 30 loaded 2 || fail "the throw did not knock the pin off"
restarted() { xdotool click 1; within 2 loaded 3; }
within 3 restarted && throw && within 30 loaded 4 || fail "the click did not start the list again"
quit
the_log_is "$(list 2; echo "$driver"; played behind.txt end.txt + behind.txt end.txt +)"

# A scene that cannot be loaded ends the game.
printf 'scenes 2\nfirst missing.txt\nclosing end.txt\n' >scenelist.txt
start
finish 0
the_log_is "$(list 2; echo "$driver"; echo "Unable to open file: missing.txt for scene loading")"

# Without a display: the video-mode message and status 2; a bad list ends
# the game before it looks for one, with status 0.
unset DISPLAY
export SDL_VIDEODRIVER=x11
start
finish 2
[ "$(cat log)" = "$(list 2)${nl}SDL_Init failed with code -1" ] ||
    fail "no-display log"
[ "$(wc -l <err)" -eq 1 ] && grep -q "^Couldn't set a particular GL video mode: ." err ||
    fail "no-display message"
printf 'scenes 0\n' >scenelist.txt
start
finish 0
echo "session passed"
