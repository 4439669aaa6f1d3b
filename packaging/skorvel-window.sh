# shellcheck shell=bash disable=SC2154  # the launcher's variables
# skorvel --window, the level maker's loop. The launcher sources this file,
# calls window_needs before anything else, and play_in_window once it has
# read the scene list ($scenes), chosen the first scene ($start), made its
# temporary folder ($work) and can link the level folder (link_folder).
#
# The game plays in a nested X server that only it can reach. The launcher
# follows three things at once, as lines on one pipe: the game's log, the
# scene files the game opens (so it knows which scene a failed load was),
# and the saves in the level folder. After every save it checks the scene
# in play and prints what the checker finds; each scene that loads and has
# not been played since the last save is played by skorvel-check --play in
# the background. When a scene fails to load, or the closing scene follows
# a scene with errors (a level that ends by itself), the game stops and the
# window says what the launcher waits for: a save that fixes that scene, or
# F5 to play it again at once. Findings in the rest of the folder are
# printed once and hold nothing up.

# need COMMAND PACKAGE WHAT-FOR
need() {
    command -v "$1" >/dev/null && return 0
    say "--window needs $1, $3: install it with: sudo apt install $2"
    exit 1
}

window_needs() {
    need Xephyr xserver-xephyr "the nested X server that holds the game's window"
    need inotifywait inotify-tools "which tells when a level file is saved"
    need xauth xauth "which keeps the nested X server to the game"
    need xmessage x11-utils "which shows in the window what the launcher waits for"
    if [ -z "${DISPLAY:-}" ]; then
        say "--window opens a window on the X desktop, but DISPLAY is not set"
        exit 1
    fi
}

# The seconds skorvel-check --play may spend on a level.
PLAY_BUDGET=10
# A save is checked once the folder has been quiet this long (in
# microseconds), as an editor may save in several steps.
QUIET=300000

# --- The nested X server ---------------------------------------------------
# Only a client with its key may connect: the key is made fresh, kept in
# files only the user can read, and given to the game and the window's
# messages alone; the desktop's own key file is not touched. The server
# reads every key in its file, whatever display the key names.
start_nested_server() {
    local key
    key=$(mcookie)
    (umask 077 && : >"$work/server.key" && : >"$work/key")
    xauth -q -f "$work/server.key" add :0 . "$key"
    # The game takes the whole screen of the nested server and grabs its
    # input there; the desktop keeps its own keyboard and pointer. Without
    # -noreset the server would reset as each game run ends and could turn
    # the next away. Between runs the window shows the server's grey weave
    # (-retro) under the launcher's message.
    if ! start_x_server "$work/xephyr.log" Xephyr -screen 640x480 -title "Skorvel - ${folder##*/}" \
        -no-host-grab -noreset -retro -auth "$work/server.key" -nolisten tcp; then
        say "the nested X server did not start"
        exit 1
    fi
    xephyr_pid=$X_PID nested=$X_DISPLAY
    xauth -q -f "$work/key" add "$nested" . "$key"
}

# in_window COMMAND...: runs a command as a client of the nested server.
in_window() { DISPLAY=$nested XAUTHORITY=$work/key "$@"; }

# --- What the launcher follows ----------------------------------------------
# watch_files: the events pipe, with a line "changed PATH" for every file
# written, moved, made or removed in the level folder, and "opened PATH"
# for every file the game has read from its own folder.
watch_files() {
    mkfifo "$work/events"
    exec {events}<>"$work/events"
    mkdir "$work/links"
    inotifywait -m -r -e close_write -e moved_to -e moved_from -e create -e delete \
        --format 'changed %w%f' "$folder" 1>&"$events" 2>"$work/saves.log" &
    local saves=$!
    inotifywait -m -r -e close_nowrite --format 'opened %w%f' "$work/links" 1>&"$events" \
        2>"$work/opens.log" &
    local opens=$!
    if ! within 15 watching "$saves" "$work/saves.log" || ! within 15 watching "$opens" "$work/opens.log"; then
        cat "$work/saves.log" "$work/opens.log" >&2
        say "cannot watch $folder for changes"
        exit 1
    fi
}
watching() { gone "$1" || grep -qs "Watches established" "$2"; }

# The game reads its scene files from copies, so that the files it opens
# tell which scene it loads, apart from the checker's reading of the same
# scenes in the level folder; every other file is a link.
copy_scene() {
    local from=$folder/$1 to=$work/links/$1
    [[ $1 != *..* && -d ${to%/*} ]] || return 0
    if [ -f "$from" ]; then
        cp -- "$from" "$to.copy"
        mv -f -- "$to.copy" "$to"
    else
        ln -sfn -- "$from" "$to"
    fi
}

# start_game: the game from scene $start in the nested server. Its log
# comes as "log LINE" events, then "ended"; when the window is closed, the
# game's word that its X connection broke is not passed on.
start_game() {
    local scene
    link_folder "$start"
    for scene in "${scenes[@]}"; do copy_scene "$scene"; done
    loaded="" previous="" attempted=${scenes[start - 1]} stopping="" odd=0 done=0 judged=$generation
    (cd "$work/links" && in_window exec "$game") \
        > >({ sed -u 's/^/log /' || true; echo ended; } 1>&"$events") \
        2> >(grep -v --line-buffered '^X connection to .* broken' >&2) &
    game_pid=$!
}

# read_log LINE: the game's log goes to standard output, and tells which
# scene loaded. A quit after the last scene that loaded (or the driver
# strings, when none did) logs only the unload, the end of the list and
# the last words: any other line means that a load failed.
read_log() {
    local scene
    printf '%s\n' "$1"
    scene=$(scenes_loaded <<<"$1")
    case $1 in
    "OpenGL Version:"*) odd=0 ;;
    "unloading scene..." | "completed game..." | "") ;;
    "....Done....") done=1 ;;
    *) [ -n "$scene" ] && odd=0 || odd=1 ;;
    esac
    [ -z "$scene" ] || scene_loaded "$scene"
}

scene_loaded() {
    previous=$loaded loaded=$1
    if [ "$1" != "${scenes[-1]}" ]; then
        [ "${checked[$1]:-}" = "$generation" ] || check_scene "$1"
        play_unless_played "$1"
    elif [ -n "$previous" ] && [ "$previous" != "$1" ]; then
        # The level before the closing scene is over: with errors, it most
        # likely ended by itself.
        if has_errors "$previous"; then
            stop_game "$previous"
        elif [ "$play_scene" = "$previous" ] && [ -n "$play_pid" ]; then
            over_unless_played=$previous
        fi
    fi
}

game_ended() {
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    alive "$xephyr_pid" || exit 0
    if [ -n "$stopping" ]; then
        wait_for "$stopping" over
    elif [ "$odd" -eq 1 ] && [ "$done" -eq 1 ]; then
        wait_for "$attempted" failed
    else
        exit $status
    fi
}

stop_game() {
    stopping=$1 judged=$generation
    kill "$game_pid" 2>/dev/null || true
}

# --- Checks -----------------------------------------------------------------
declare -A checked played static_errors play_errors found shown is_scene
generation=0

# lines_not_in TEXT OTHER: the lines of TEXT that are not lines of OTHER.
lines_not_in() { grep -vxF -f <(printf '%s\n' "$2" "") <<<"$1" || true; }

# tell SCENE WHAT FINDINGS: one block for a check: a line that names the
# scene and counts the findings, then those not shown after the scene's
# last check of this kind.
tell() {
    local key="$1 $2" errors warnings new counts=""
    errors=$(grep -c ': error: ' <<<"$3" || true)
    warnings=$(grep -c ': warning: ' <<<"$3" || true)
    new=$(lines_not_in "$3" "${shown[$key]:-}")
    shown[$key]=$3
    [ "$errors" -eq 0 ] || counts="$errors error$([ "$errors" -eq 1 ] || echo s)"
    [ "$warnings" -eq 0 ] || counts="${counts:+$counts, }$warnings warning$([ "$warnings" -eq 1 ] || echo s)"
    if [ -z "$counts" ]; then
        # Nothing to say: the checker's own last words, when it played and
        # they are new.
        [ -z "$3" ] || [ -n "$new" ] || return 0
        say "$1 $2: ok${3:+, ${3#"$1": }}"
    elif [ -z "$new" ]; then
        say "$1 $2: $counts, as before"
    else
        say "$1 $2: $counts:"
        printf '%s\n' "$new" >&2
    fi
}

# check_scene SCENE: the checker's findings in the scene and the files it names.
check_scene() {
    local status=0 findings
    findings=$("$checker" "$folder/$1" 2>&1) || status=$?
    if [ $status -gt 1 ]; then
        findings="$1: error: ${findings#skorvel-check: }"
        findings=${findings%%$'\n'*}
    else
        findings=$(sed '$d' <<<"$findings")
    fi
    checked[$1]=$generation static_errors[$1]=$((status > 0)) found[$1]=$findings
    tell "$1" checked "$findings"
}

play_unless_played() {
    if [ "${played[$1]:-}" != "$generation" ] && [ "${static_errors[$1]}" -eq 0 ] &&
        [ "$1" != "${scenes[-1]}" ]; then
        stop_process "$play_pid"
        "$checker" --play --budget $PLAY_BUDGET "$folder/$1" >"$work/play" 2>&1 &
        play_pid=$! play_scene=$1 play_generation=$generation
    fi
}

play_done() {
    local status=0 findings
    wait "$play_pid" || status=$?
    play_pid=""
    [ "$play_generation" = "$generation" ] || return 0
    # What the play adds to the scene's check.
    findings=$(lines_not_in "$(sed '$d' "$work/play")" "${found[$play_scene]}")
    played[$play_scene]=$generation play_errors[$play_scene]=$((status > 0))
    found[$play_scene]+=$'\n'$findings
    tell "$play_scene" played "$findings"
    if [ "$over_unless_played" = "$play_scene" ]; then
        over_unless_played=""
        [ "$loaded" != "${scenes[-1]}" ] || ! has_errors "$play_scene" || stop_game "$play_scene"
    fi
}

has_errors() {
    [ "${static_errors[$1]:-0}" -eq 1 ] ||
        { [ "${played[$1]:-}" = "$generation" ] && [ "${play_errors[$1]}" -eq 1 ]; }
}

# check_rest SCENE: findings elsewhere in the folder, each told once.
check_rest() {
    local findings
    findings=$("$checker" "$folder" 2>&1 | sed '$d') || true
    findings=$(lines_not_in "$findings" "${found[$1]}"$'\n'"$rest_shown" | grep -v "^$1:" || true)
    [ -n "$findings" ] || return 0
    say "elsewhere in ${folder##*/}, not holding up $1:"
    printf '%s\n' "$findings" >&2
    rest_shown+=$'\n'$findings
}

# A save: its files are copied for the game at once, and checked once the
# folder is quiet. Editors' own hidden and auto-save files are not saves.
saved() {
    local name=${1#"$folder"/}
    [ -z "${is_scene[$name]:-}" ] || copy_scene "$name"
    case ${name##*/} in .* | '#'*) return 0 ;; esac
    # What was checked or played before this save no longer holds.
    saved_at=${EPOCHREALTIME/./} generation=$((generation + 1))
}

after_save() {
    local scene=${waiting:-${stopping:-${loaded:-$attempted}}}
    saved_at=""
    check_scene "$scene"
    check_rest "$scene"
    if [ -z "$waiting" ]; then
        play_unless_played "$scene"
    elif [ "${static_errors[$scene]}" -eq 0 ]; then
        play_again
    else
        show_message
    fi
}

# --- Waiting for a fix -------------------------------------------------------
# wait_for SCENE failed|over: the game has stopped on SCENE; the window
# shows why until a save fixes it, or F5 plays it again. $judged is the
# generation of the saves that the game's end was judged on.
wait_for() {
    waiting=$1 why=$2
    [ "${checked[$1]:-}" = "$generation" ] || check_scene "$1"
    if [ "${static_errors[$1]}" -eq 0 ]; then
        # Saved since: most likely fixed, or a file made that the folder
        # of links did not have yet.
        if [ "$generation" != "$judged" ]; then
            play_again
            return
        fi
        [ "$why" = over ] ||
            say "$1 did not load, though skorvel-check finds no error in it (the log above says why)"
    fi
    if [ "$why" = failed ]; then
        say "$1 did not load: save a fix and the game starts again there, or press F5 in the window; Escape stops"
    else
        say "$1 is over, and it has errors (above): save a fix, or press F5 in the window, to play it again; Escape stops"
    fi
    show_message
}

# show_message: the scene waited for, what was found in it, and the keys,
# in the window, until the launcher closes it or F5 or Escape is pressed.
show_message() {
    local text
    text=$(
        if [ "$why" = failed ]; then echo "$waiting did not load."; else echo "$waiting is over, with errors."; fi
        echo
        grep -v '^$' <<<"${found[$waiting]}" | head -n 12
        echo
        echo "Save a fix to play $waiting again."
        echo "F5: play it again now.  Escape: stop."
    )
    # The same words stay up as they are, so that no key is lost.
    [ -z "$message_pid" ] || [ "$text" != "$message_text" ] || return 0
    close_message
    message_text=$text
    # A key acts once pressed and let go here: a press that ended the game
    # lets go here, and a key still held would reach the next game.
    fold -s -w 96 <<<"$text" | sed 's/^/  /' | in_window exec xmessage -name skorvel-waits \
        -geometry 640x480+0+0 -buttons "" \
        -xrm '*Translations: #override <Key>F5,<KeyUp>F5: exit(5)\n<Key>Escape,<KeyUp>Escape: exit(27)' \
        -file - 2>>"$work/message.log" &
    message_pid=$!
}

close_message() {
    local pid=$message_pid
    message_pid=""
    stop_process "$pid"
}

message_closed() {
    local status=0
    wait "$message_pid" || status=$?
    message_pid=""
    case $status in
    5) play_again ;;
    27) exit 0 ;;
    esac
}

play_again() {
    close_message
    if ! read_scenes; then
        say "the scene list has errors (above): save a fix to go on"
        show_message
        return
    fi
    index_scenes
    start=$(scene_index "$waiting") || start=1
    say "playing $waiting again"
    waiting=""
    start_game
}

index_scenes() {
    local scene
    is_scene=()
    for scene in "${scenes[@]}"; do is_scene[$scene]=1; done
}

# --- The loop -----------------------------------------------------------------
play_in_window() {
    local event partial=""
    # With sdl12-compat, as newer systems have it, SDL 2 reads a grabbed
    # pointer's motion from XInput 2 raw events, which do not reach the game
    # through the nested server: a drag would not throw. Warping the pointer
    # works there; SDL 1.2 ignores the setting.
    export SDL_MOUSE_RELATIVE_MODE_WARP=1
    start_nested_server
    watch_files
    index_scenes
    waiting="" why="" loaded="" attempted=${scenes[start - 1]} saved_at="" rest_shown=""
    play_pid="" play_scene="" message_pid="" message_text="" over_unless_played=""
    check_scene "$attempted"
    check_rest "$attempted"
    start_game
    # Bash may crash when a trap exits during read -t: the traps only say
    # that the launcher is to end, and the loop ends it.
    signalled=""
    trap 'signalled=130' INT
    trap 'signalled=143' TERM
    while [ -z "$signalled" ]; do
        # A line that the time-out cut short is read on next time.
        if ! IFS= read -r -t 0.1 -u "$events" event; then
            partial+=$event
        else
            event=$partial$event partial=""
            case $event in
            "log "*) read_log "${event#log }" ;;
            ended) game_ended ;;
            "changed "*) saved "${event#changed }" ;;
            "opened $work/links/"*)
                event=${event#"opened $work/links/"}
                [ -z "$event" ] || [ -z "${is_scene[$event]:-}" ] || attempted=$event
                ;;
            esac
        fi
        # Closing the window ends the nested server, and the game with it.
        alive "$xephyr_pid" || exit 0
        if [ -n "$play_pid" ] && gone "$play_pid"; then play_done; fi
        if [ -n "$message_pid" ] && gone "$message_pid"; then message_closed; fi
        if [ -n "$saved_at" ] && ((${EPOCHREALTIME/./} - saved_at >= QUIET)); then after_save; fi
    done
    exit "$signalled"
}
