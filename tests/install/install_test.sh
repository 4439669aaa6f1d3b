#!/usr/bin/env bash
# Usage: install_test.sh BUILD-DIR
# Installs the game into a scratch DESTDIR with the prefix /usr, which is not
# the one the build was configured with, and checks it as a desktop, a player
# and a level maker meet it, under an X server larger than the game:
# - the menu entry passes its validator, and each manual page is found by
#   name, renders without warnings and names the installed paths;
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
wmclass=$(sed -n 's/^StartupWMClass=//p' "$share/applications/skorvel.desktop")
pages_read_well "$work/root"

start_xvfb 1024x768
play installed "$launcher"
[ "$(head -n 1 "$work/installed.log")" = "loading list of scenes..." ] ||
    fail "the launcher said more than the game: $(cat "$work/installed.log")"
cp -r "$levels" "$work/my levels"
play copied "$launcher" "$work/my levels"

outcome "$launcher" -x
[ "$status" -eq 2 ] && grep -q "unknown option '-x'" <<<"$out" || fail "-x gave $status: $out"

refuses_broken_folder "$launcher" "$levels"
for tool in skorvel skorvel-check skorvel-obj skorvel-new-level; do
    [ "$("$bin/$tool" -h)" = "$("$bin/$tool" --help)" ] || fail "$tool -h is not --help"
done
# A count the game reads out of step: the launcher takes the checker's reading.
mv "$levels/scenelist.txt" "$levels/scenelist.txt.saved"
{ echo "scenes 2x"; "$bin/skorvel-check" --scenes "$levels/scenelist.txt.saved" | sed 's/^/scene /'; } >"$levels/scenelist.txt"
outcome timeout 30 "$launcher" --level islands_scene.txt
[ "$status" -eq 1 ] && grep -q "^scenelist.txt:1: error: .*'2x'" <<<"$out" ||
    fail "a list starting 'scenes 2x' gave $status: $out"
mv "$levels/scenelist.txt.saved" "$levels/scenelist.txt"
# Without the checker the launcher starts the game as it always did, but
# not in a folder without scenelist.txt.
mv "$bin/skorvel-check" "$work/skorvel-check"
play unchecked "$launcher" "$work/broken"
mkdir "$work/empty"
outcome "$launcher" "$work/empty"
[ "$status" -eq 1 ] && grep -q "scenelist.txt" <<<"$out" || fail "a folder without scenelist.txt gave $status: $out"
mv "$work/skorvel-check" "$bin/skorvel-check"

mine=$work/mine
makes_new_level "$bin/skorvel-new-level" "$levels" "$mine"
before=$(snapshot "$mine")
play at-mine "$launcher" --level mine_scene.txt "$mine"
[ "$(scenes_loaded "$work/at-mine.log" | head -n 1)" = mine_scene.txt ] || fail "--level did not start at mine_scene.txt"
[ "$(snapshot "$mine")" = "$before" ] || fail "--level wrote into the level folder"

# --- In a window -------------------------------------------------------------
# Without Xephyr, --window says what to install: a PATH with only what the
# launcher needs besides.
mkdir "$work/path"
for tool in readlink dirname; do ln -s "$(command -v "$tool")" "$work/path/$tool"; done
outcome env PATH="$work/path" "$launcher" --window
[ "$status" -eq 1 ] && grep -q "apt install xserver-xephyr" <<<"$out" ||
    fail "--window without Xephyr gave $status: $out"

# tap KEY: a press held for a few frames, as the game reads keys once a frame.
tap() { xdotool windowfocus --sync "$window" keydown "$1" sleep 0.3 keyup "$1"; }
loads_of_mine() { scenes_loaded "$work/window.out" | grep -c '^mine_scene.txt$' || true; }
replayed() { [ "$(loads_of_mine)" -gt "$1" ]; }
says() { grep -q -- "$1" <(tail -c +$((said + 1)) "$work/window.err"); }
# told TEXT: the launcher says TEXT (a pattern) within 15 s of the last save.
told() { within 15 says "$1" || fail "not told '$1': $(tail -c +$((said + 1)) "$work/window.err")"; }
waits() { DISPLAY=$nested XAUTHORITY=$key xdotool search --onlyvisible --classname '^skorvel-waits$' >/dev/null; }
# edit_mine SCRIPT: mine_scene.txt as first made, changed by a sed script and
# saved in one step, as an editor saves.
edit_mine() {
    said=$(stat -c %s "$work/window.err")
    sed -e "$1" "$work/mine_scene.saved" >"$work/edited" && mv "$work/edited" "$mine/mine_scene.txt"
}

export TMPDIR=$work/tmp XAUTHORITY=$work/desktop.key
mkdir "$TMPDIR"
cp "$mine/mine_scene.txt" "$work/mine_scene.saved"
# It starts at the scene before mine_scene.txt.
first=$("$bin/skorvel-check" --scenes "$mine" | grep -B 1 -x mine_scene.txt | head -n 1)
"$launcher" --window --level "$first" "$mine" >"$work/window.out" 2>"$work/window.err" &
window_pid=$! show="$work/window.out $work/window.err"
loaded_within 30 "$work/window.out" || fail "--window did not start"
[ "$(scenes_loaded "$work/window.out" | head -n 1)" = "$first" ] || fail "--window did not start at $first"
window=$(xdotool search --limit 1 --name '^Skorvel - mine$') || fail "no window named Skorvel - mine"
grep -q 'Geometry: 640x480' <(xdotool getwindowgeometry "$window") ||
    fail "the window is not 640x480: $(xdotool getwindowgeometry "$window")"

# Only the game has the key to the nested display, in a file only its user reads.
key=$(echo "$TMPDIR"/skorvel.*/key)
nested=:$(xauth -f "$key" list | sed -n 's/^[^:]*:\([0-9]*\) .*/\1/p')
[ "$(stat -c %a "$key")" = 600 ] || fail "others may read the game's key $key"
! XAUTHORITY=$work/no.key xdpyinfo -display "$nested" >"$work/xdpyinfo.out" 2>&1 ||
    fail "a client without the key was let into the nested display"

xev -name editor -geometry 300x200+700+100 -event keyboard >"$work/xev.out" 2>&1 &
timeout 10 xdotool search --sync --limit 1 --name '^editor$' windowfocus --sync type --delay 50 typed ||
    fail "no second window to type into"
within 5 eval '[ "$(grep -c "^KeyPress" "$work/xev.out")" -eq 5 ]' ||
    fail "the second window did not get the five keys typed: $(cat "$work/xev.out")"

# With mine_scene.txt broken, and tenpin_scene.txt too, F12 in the scene
# before it ends the game on it; the checker's finding is shown, the window
# says that the game waits, and once mine_scene.txt is fixed it is played
# again. tenpin_scene.txt's finding is told once and holds nothing up.
loads=$(loads_of_mine)
sed -i "$camera_typo" "$mine/tenpin_scene.txt"
edit_mine "$camera_typo"
told "^mine_scene.txt:6: error: "
tap F12
told "mine_scene.txt did not load"
within 10 waits || fail "the window does not say that the game waits"
sleep 1
[ "$(loads_of_mine)" -eq "$loads" ] || fail "the game did not wait for a fix"
edit_mine ""
within 30 replayed "$loads" || fail "the fixed scene was not played again"

# Mistakes the game plays without a word: each save is checked, and played.
# A pin off the lane falls by itself.
edit_mine '0,/^pin \[[^,]*,/s//pin [30,/'
told "mine_scene.txt checked: 1 warning"
told "^mine_scene.txt:[0-9]*: error: pin 1 moves by itself"
edit_mine ""
told "mine_scene.txt checked: ok"
# A pin below the fall-out height wins the level at once, and then F5 in the
# waiting window plays it again.
edit_mine '0,/^pin \[\(.*\), [^,]*\]$/s//pin [\1, -9]/'
told "^mine_scene.txt:[0-9]*: error: pin 1 starts below the fall-out height"
loads=$(loads_of_mine)
tap F5
told "mine_scene.txt is over"
within 10 waits || fail "the window does not say that the game waits after a level that ended by itself"
tap F5
within 10 replayed $((loads + 1)) || fail "F5 did not play mine_scene.txt again"
edit_mine ""
within 30 replayed $((loads + 2)) || fail "the fixed scene was not played again"
[ "$(grep -c "^tenpin_scene.txt:6: error: " "$work/window.err")" -eq 1 ] ||
    fail "tenpin_scene.txt's finding was not told once"
cp "$levels/tenpin_scene.txt" "$mine/tenpin_scene.txt"

# Closing the window ends it all, without a word about the X connection.
xdotool windowkill "$window"
status=0
wait "$window_pid" || status=$?
[ "$status" -eq 0 ] || fail "--window ended with status $status"
! grep "X connection" "$work/window.err" || fail "closing the window was told as an error"
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls -A "$TMPDIR")"
[ ! -e "$XAUTHORITY" ] || fail "--window wrote into the desktop's key file"
[ "$(snapshot "$mine")" = "$before" ] || fail "--window wrote into the level folder"
echo "installed, validated and played from /, in a window too"
