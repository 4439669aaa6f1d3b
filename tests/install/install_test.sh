#!/usr/bin/env bash
# Usage: install_test.sh BUILD-DIR
# Installs the game into a scratch DESTDIR with the prefix /usr, which is not
# the one the build was configured with, and checks it as a desktop, a player
# and a level maker meet it, under an X server larger than the game:
# - the menu entry and the metainfo pass their validators, and each manual
#   page is found by name, renders without warnings and names /usr paths;
# - the launcher, started from /, plays the installed levels and a copied
#   folder, refuses unknown options, and refuses a broken folder with the
#   checker's finding (without the checker, it plays it as before);
# - skorvel-new-level starts a level, and --level starts the game there;
# - --window plays in a 640x480 window that leaves the keyboard to another
#   client, and brings a scene that failed to load back once it is fixed.
source "$(dirname "$0")/helpers.sh"

DESTDIR=$work/root cmake --install "$1" --prefix /usr >/dev/null
share=$work/root/usr/share
bin=$work/root/usr/bin
launcher=$bin/skorvel
levels=$share/skorvel/levels
desktop-file-validate "$share/applications/skorvel.desktop"
out=$(appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml 2>&1) || fail "$out"
[ -f "$share/icons/hicolor/128x128/apps/skorvel.png" ] || fail "no icon installed"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$share/applications/skorvel.desktop")

for page in "6 skorvel" "1 skorvel-check" "1 skorvel-obj" "1 skorvel-new-level"; do
    # shellcheck disable=SC2086  # the section and the name are two words
    out=$(MANWIDTH=80 man --warnings -M "$share/man" $page 2>&1 >/dev/null) && [ -z "$out" ] ||
        fail "man $page: $out"
done
grep -qxF ".I /usr/share/skorvel/levels/" <(zcat "$share/man/man6/skorvel.6.gz") ||
    fail "skorvel(6) does not name the levels installed under /usr"
! zgrep -l /usr/local "$share"/man/man*/* || fail "a manual page names /usr/local"

start_xvfb 1024x768
play installed "$launcher"
[ "$(head -n 1 "$work/installed.log")" = "loading list of scenes..." ] ||
    fail "the launcher said more than the game: $(cat "$work/installed.log")"
cp -r "$levels" "$work/my levels"
play copied "$launcher" "$work/my levels"

mkdir "$work/empty"
out=$(cd / && "$launcher" "$work/empty" 2>&1) && fail "a folder without scenelist.txt played"
grep -q "scenelist.txt" <<<"$out" || fail "no reason given: $out"
status=0
out=$("$launcher" -x 2>&1) || status=$?
[ "$status" -eq 2 ] && grep -q "unknown option '-x'" <<<"$out" || fail "-x gave $status: $out"
grep -q -- '--window' <("$launcher" --help) || fail "--help does not tell --window"

refuses_broken_folder "$launcher" "$levels"
# Without the checker the launcher starts the game as it always did.
mv "$bin/skorvel-check" "$work/skorvel-check"
play unchecked "$launcher" "$work/broken"
mv "$work/skorvel-check" "$bin/skorvel-check"

mine=$work/mine
makes_new_level "$bin/skorvel-new-level" "$levels" "$mine"
before=$(snapshot "$mine")
play at-mine "$launcher" --level mine_scene.txt "$mine"
[ "$(first_scene at-mine)" = mine_scene.txt ] || fail "--level started at $(first_scene at-mine)"
[ "$(snapshot "$mine")" = "$before" ] || fail "--level wrote into the level folder"

# --- In a window -------------------------------------------------------------
# Without Xephyr, --window says what to install: a PATH with only what the
# launcher needs besides.
mkdir "$work/path"
for tool in readlink dirname awk mktemp rm grep sed cut paste; do
    ln -s "$(command -v "$tool")" "$work/path/$tool"
done
status=0
out=$(PATH=$work/path "$launcher" --window 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "apt install xserver-xephyr" <<<"$out" ||
    fail "--window without Xephyr gave $status: $out"

# keys_seen LOG: the letters xev saw pressed.
keys_seen() { awk '/^KeyPress/ { down = 1 } /^KeyRelease/ { down = 0 }
                   down && match($0, /keysym 0x[0-9a-f]+, [a-z]\)/) {
                       printf "%s", substr($0, RSTART + RLENGTH - 2, 1) }' "$1"; }
# tap KEY: a press held for a few frames, as the game reads keys once a frame.
tap() { xdotool keydown "$1" sleep 0.3 keyup "$1"; }
loads_of_mine() { scenes_loaded "$work/window.out" | grep -c '^mine_scene.txt$' || true; }

# broken_then_fixed KEY: with mine_scene.txt broken, KEY (F12 in the scene
# before it, F5 in it) ends the game on it; the checker's finding is shown,
# the game waits, and once the file is fixed it plays mine_scene.txt again.
broken_then_fixed() {
    local loads failures
    loads=$(loads_of_mine)
    failures=$(grep -c "mine_scene.txt did not load" "$work/window.err" || true)
    break_camera "$mine/mine_scene.txt"
    xdotool windowfocus --sync "$window"
    tap "$1"
    within 20 eval '[ "$(grep -c "mine_scene.txt did not load" "$work/window.err")" -gt $failures ]' ||
        fail "$1: no word of the failed load: $(cat "$work/window.out" "$work/window.err")"
    grep -q "^mine_scene.txt:6: error: " "$work/window.err" || fail "no finding: $(cat "$work/window.err")"
    sleep 1
    [ "$(loads_of_mine)" -eq "$loads" ] && ! gone "$window_pid" &&
        [ "$(grep -c "mine_scene.txt did not load" "$work/window.err")" -eq $((failures + 1)) ] ||
        fail "$1: the game did not wait for a fix: $(cat "$work/window.err")"
    cp "$work/mine_scene.saved" "$mine/mine_scene.txt"
    within 30 eval '[ "$(loads_of_mine)" -eq $((loads + 1)) ]' || fail "$1: the fixed scene was not played again"
}

export TMPDIR=$work/tmp
mkdir "$TMPDIR"
cp "$mine/mine_scene.txt" "$work/mine_scene.saved"
# It starts at the scene before mine_scene.txt.
first=$(awk '$2 == "mine_scene.txt" { print previous } { previous = $2 }' "$mine/scenelist.txt")
"$launcher" --window --level "$first" "$mine" >"$work/window.out" 2>"$work/window.err" &
window_pid=$!
loaded_within 30 "$work/window.out" || fail "--window: $(cat "$work/window.out" "$work/window.err")"
[ "$(scenes_loaded "$work/window.out" | head -n 1)" = "$first" ] ||
    fail "--window did not start at $first: $(cat "$work/window.out")"
window=$(xdotool search --limit 1 --name '^Skorvel - mine$') || fail "no window named Skorvel - mine"
grep -q 'Geometry: 640x480' <(xdotool getwindowgeometry "$window") ||
    fail "the window is not 640x480: $(xdotool getwindowgeometry "$window")"

xev -name editor -geometry 300x200+700+100 -event keyboard >"$work/xev.out" 2>&1 &
within 10 xdotool search --name '^editor$' >/dev/null || fail "no second window"
xdotool search --limit 1 --name '^editor$' windowfocus --sync type --delay 50 typed
within 5 eval '[ "$(keys_seen "$work/xev.out")" = typed ]' ||
    fail "the second window got '$(keys_seen "$work/xev.out")' instead of 'typed'"

# The scene after the first, then the same scene again.
broken_then_fixed F12
broken_then_fixed F5

xdotool windowfocus --sync "$window"
quit_with_escape "$window_pid"
status=0
wait "$window_pid" || status=$?
[ "$status" -eq 0 ] || fail "--window ended with status $status: $(cat "$work/window.err")"
! xdotool search --name '^Skorvel - ' >/dev/null || fail "the window stayed open"
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls -A "$TMPDIR")"
[ "$(snapshot "$mine")" = "$before" ] || fail "--window wrote into the level folder"
echo "installed, validated and played from /, in a window too"
