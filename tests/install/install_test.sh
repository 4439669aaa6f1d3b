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
# - every tool answers -h as --help, and the launcher reads the scene list
#   as the checker does;
# - skorvel-new-level starts a level, and --level starts the game there;
# - --window plays in a 640x480 window of a nested X server that only the
#   game can reach, and leaves the keyboard to another client; after each
#   save it tells what the checker finds in the scene in play and what
#   skorvel-check --play finds when playing it; a scene that fails to load
#   or ends by itself holds up only itself, until it is fixed or F5 plays
#   it again; closing the window ends it all quietly.
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
for tool in skorvel skorvel-check skorvel-obj skorvel-new-level; do
    [ "$("$bin/$tool" -h)" = "$("$bin/$tool" --help)" ] || fail "$tool -h is not --help"
done
# A count the game reads out of step: the launcher takes the checker's reading.
cp "$levels/scenelist.txt" "$work/scenelist.saved"
sed -i '1s/.*/scenes 2x/' "$levels/scenelist.txt"
status=0
out=$("$launcher" --level islands_scene.txt 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "^scenelist.txt:1: error: .*'2x'" <<<"$out" ||
    fail "a list starting 'scenes 2x' gave $status: $out"
cp "$work/scenelist.saved" "$levels/scenelist.txt"
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
for tool in readlink dirname; do ln -s "$(command -v "$tool")" "$work/path/$tool"; done
status=0
out=$(PATH=$work/path "$launcher" --window 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "apt install xserver-xephyr" <<<"$out" ||
    fail "--window without Xephyr gave $status: $out"

# keys_seen LOG: the letters xev saw pressed.
keys_seen() { awk '/^KeyPress/ { down = 1 } /^KeyRelease/ { down = 0 }
                   down && match($0, /keysym 0x[0-9a-f]+, [a-z]\)/) {
                       printf "%s", substr($0, RSTART + RLENGTH - 2, 1) }' "$1"; }
# tap KEY: a press held for a few frames, as the game reads keys once a frame.
tap() { xdotool windowfocus --sync "$window" keydown "$1" sleep 0.3 keyup "$1"; }
loads_of_mine() { scenes_loaded "$work/window.out" | grep -c '^mine_scene.txt$' || true; }
# mark: what the launcher says from now on is what says reads.
mark() { said=$(stat -c %s "$work/window.err"); }
says() { grep -q -- "$1" <(tail -c +$((said + 1)) "$work/window.err"); }
# told TEXT: the launcher says TEXT (a pattern) within 15 s of the last mark.
told() { within 15 says "$1" || fail "not told '$1': $(tail -c +$((said + 1)) "$work/window.err")"; }
# nested COMMAND...: runs a command in the nested display, with the game's own key.
nested() { DISPLAY=$nested XAUTHORITY=$key "$@"; }
waits() { nested xdotool search --onlyvisible --classname '^skorvel-waits$' >/dev/null; }
replayed() { [ "$(loads_of_mine)" -gt "$1" ]; }
# edit_mine SCRIPT: mine_scene.txt as first made, changed by a sed script and
# saved in one step, as an editor saves.
edit_mine() { sed -e "$1" "$work/mine_scene.saved" >"$work/edited" && mv "$work/edited" "$mine/mine_scene.txt"; }

# broken_then_fixed KEY [OTHER]: with mine_scene.txt broken, and the scene
# OTHER too, KEY (F12 in the scene before it, F5 in it) ends the game on it;
# the checker's finding is shown, the window says that the game waits, and
# once mine_scene.txt is fixed it is played again: OTHER's finding is told
# once and holds nothing up.
broken_then_fixed() {
    local loads
    loads=$(loads_of_mine)
    mark
    [ -z "${2:-}" ] || break_camera "$mine/$2"
    break_camera "$mine/mine_scene.txt"
    told "^mine_scene.txt:6: error: "
    tap "$1"
    told "mine_scene.txt did not load"
    within 10 waits || fail "$1: the window does not say that the game waits"
    sleep 1
    [ "$(loads_of_mine)" -eq "$loads" ] || fail "$1: the game did not wait for a fix"
    edit_mine ""
    within 30 replayed "$loads" || fail "$1: the fixed scene was not played again"
    [ -z "${2:-}" ] || [ "$(grep -c "^$2:6: error: " "$work/window.err")" -eq 1 ] ||
        fail "$2's finding was not told once: $(cat "$work/window.err")"
}

export TMPDIR=$work/tmp XAUTHORITY=$work/desktop.key
mkdir "$TMPDIR"
cp "$mine/mine_scene.txt" "$work/mine_scene.saved"
# It starts at the scene before mine_scene.txt.
first=$("$bin/skorvel-check" --scenes "$mine" | grep -B 1 -x mine_scene.txt | head -n 1)
"$launcher" --window --level "$first" "$mine" >"$work/window.out" 2>"$work/window.err" &
window_pid=$!
fail() {
    printf 'FAIL: %s\n--- the game\n%s\n--- the launcher\n%s\n' "$*" "$(cat "$work/window.out")" \
        "$(cat "$work/window.err")" >&2
    exit 1
}
loaded_within 30 "$work/window.out" || fail "--window: $(cat "$work/window.out" "$work/window.err")"
[ "$(scenes_loaded "$work/window.out" | head -n 1)" = "$first" ] ||
    fail "--window did not start at $first: $(cat "$work/window.out")"
window=$(xdotool search --limit 1 --name '^Skorvel - mine$') || fail "no window named Skorvel - mine"
grep -q 'Geometry: 640x480' <(xdotool getwindowgeometry "$window") ||
    fail "the window is not 640x480: $(xdotool getwindowgeometry "$window")"

# Only the game has the key to the nested display, in a file only its user reads.
game=$(readlink -f "$work/root/usr/libexec/skorvel/skorvel") environment=""
for process in /proc/[0-9]*; do
    [ "$(readlink "$process/exe")" != "$game" ] || environment=$(tr '\0' '\n' <"$process/environ")
done 2>/dev/null
nested=$(sed -n 's/^DISPLAY=//p' <<<"$environment") key=$(sed -n 's/^XAUTHORITY=//p' <<<"$environment")
[ "$(stat -c %a "$key")" = 600 ] && nested xdpyinfo >"$work/xdpyinfo.out" 2>&1 ||
    fail "the game's key $key does not open $nested"
! XAUTHORITY=$work/no.key xdpyinfo -display "$nested" >"$work/xdpyinfo.out" 2>&1 ||
    fail "a client without the key was let into the nested display"

xev -name editor -geometry 300x200+700+100 -event keyboard >"$work/xev.out" 2>&1 &
within 10 xdotool search --name '^editor$' >/dev/null || fail "no second window"
xdotool search --limit 1 --name '^editor$' windowfocus --sync type --delay 50 typed
within 5 eval '[ "$(keys_seen "$work/xev.out")" = typed ]' ||
    fail "the second window got '$(keys_seen "$work/xev.out")' instead of 'typed'"

broken_then_fixed F12

# Mistakes the game plays without a word: each save is checked, and played.
mark
edit_mine 's/^pins 4$/pins 3/'
told "^mine_scene.txt:7: warning: the pin count is 3 but 4 "
mark
edit_mine ""
told "mine_scene.txt checked: ok"
# A lane tilted sideways, with normals to match, on which the pins slide away.
mark
tilted() { printf 'normal [0.0995, 0, 0.995]\n'; printf 'colour [0, 0, 0]\nvertex [%s]\n' "$@"; }
{ echo "triangles 2"; tilted "-3, -3, 0.3" "3, -3, -0.3" "3, 30, -0.3"
  tilted "-3, -3, 0.3" "3, 30, -0.3" "-3, 30, 0.3"; } >"$mine/tilted_collision.txt"
edit_mine 's/^collision .*/collision tilted_collision.txt/'
told "^mine_scene.txt:[0-9]*: error: pin [0-9]* moves by itself"
# A pin below the fall-out height wins the level at once, and then F5 in the
# waiting window plays it again.
mark
edit_mine '0,/^pin \[\(.*\), [^,]*\]$/s//pin [\1, -9]/'
told "^mine_scene.txt:[0-9]*: error: pin 1 starts below the fall-out height"
loads=$(loads_of_mine)
tap F5
told "mine_scene.txt is over"
within 10 waits || fail "the window does not say that the game waits after a level that ended by itself"
tap F5
within 10 replayed $((loads + 1)) || fail "F5 did not play mine_scene.txt again: $(cat "$work/window.err")"
loads=$(loads_of_mine)
edit_mine ""
within 30 replayed "$loads" || fail "the fixed scene was not played again"

broken_then_fixed F5 tenpin_scene.txt
cp "$levels/tenpin_scene.txt" "$mine/tenpin_scene.txt"
rm "$mine/tilted_collision.txt"

# Closing the window ends it all, without a word about the X connection.
xdotool windowkill "$window"
status=0
wait "$window_pid" || status=$?
[ "$status" -eq 0 ] || fail "--window ended with status $status: $(cat "$work/window.err")"
! grep "X connection" "$work/window.err" || fail "closing the window was told as an error"
! xdotool search --name '^Skorvel - ' >/dev/null || fail "the window stayed open"
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls -A "$TMPDIR")"
[ ! -e "$XAUTHORITY" ] || fail "--window wrote into the desktop's key file"
[ "$(snapshot "$mine")" = "$before" ] || fail "--window wrote into the level folder"
echo "installed, validated and played from /, in a window too"
