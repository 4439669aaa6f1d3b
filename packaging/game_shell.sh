# shellcheck shell=bash
# Shell functions for running the game and watching it, shared by the
# launcher (installed beside the game), the project's scripts and their
# tests: X servers of our own, waiting until something happens, stopping
# what was started, and reading the game's log. Each works under
# set -euo pipefail.

# start_x_server LOG SERVER ARGUMENTS...: starts an X server on a free
# display number, which the server reports on a pipe (-displayfd); sets
# X_PID and X_DISPLAY (":N"). Fails, with the server's own words from LOG,
# when it does not start within 15 seconds.
start_x_server() {
    local log=$1 fifo number=""
    shift
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/display.XXXXXX")
    mkfifo -m 600 "$fifo"
    "$@" -displayfd 3 3>"$fifo" >"$log" 2>&1 &
    X_PID=$!
    read -r -t 15 number <"$fifo" || true
    rm -f "$fifo"
    if [[ $number =~ ^[0-9]+$ ]]; then
        X_DISPLAY=:$number
        return 0
    fi
    stop_process "$X_PID"
    cat "$log" >&2
    return 1
}

# start_xvfb [WIDTHxHEIGHT]: starts Xvfb, 640x480 unless told; sets
# XVFB_PID and DISPLAY. Without -noreset the server resets whenever its last
# client leaves, and a client that connects during the reset is turned away.
start_xvfb() {
    local log status=0
    log=$(mktemp)
    start_x_server "$log" Xvfb -noreset -screen 0 "${1:-640x480}x24" -nolisten tcp || status=$?
    rm -f "$log"
    [ "$status" -eq 0 ] || { echo "Xvfb did not start" >&2; return 1; }
    XVFB_PID=$X_PID
    export DISPLAY=$X_DISPLAY
}

stop_xvfb() {
    stop_process "${XVFB_PID:-}"
    XVFB_PID=""
}

# within SECONDS COMMAND...: true once the command succeeds, tried 10 times a second.
within() {
    local try
    for ((try = 0; try < $1 * 10; try++)); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
}

alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

# stop_process PID: ends a process this shell started, and waits for it.
stop_process() {
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# stop_jobs: ends every process this shell started in the background that
# still runs, and waits for them.
stop_jobs() {
    local pid
    for pid in $(jobs -p); do kill "$pid" 2>/dev/null || true; done
    wait || true
}

# scenes_loaded [LOG]: the scenes that the game's log (or standard input)
# says were loaded, one a line, in order.
scenes_loaded() { sed -n 's/^done loading scene from file //p' "$@"; }

# loaded_within SECONDS LOG [PID]: true once the log shows a scene loaded,
# within SECONDS; stops waiting early when the game PID has ended.
loaded_within() {
    within "$1" load_or_end "$2" "${3:-}" || true
    shows_a_load "$2"
}
shows_a_load() { [ -n "$(scenes_loaded "$1" 2>/dev/null)" ]; }
load_or_end() { shows_a_load "$1" || { [ -n "$2" ] && gone "$2"; }; }
