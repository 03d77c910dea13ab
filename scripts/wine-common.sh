# Shared by the scripts that run Windows programs: Wine settings for a throwaway prefix.
# Sourced, not run.

WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)

# No Mono or Gecko installer prompts, no debug chatter.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}

# Points Wine at the test environment that wine-env.sh made in $1: its prefix, its display and
# the stand-in's ports.
use_test_env() {
    local env_dir=$1
    export WINEPREFIX=$env_dir/prefix
    if [ -f "$env_dir/standin/standin.env" ]; then
        set -a
        . "$env_dir/standin/standin.env"
        set +a
    fi
    if [ -f "$env_dir/display" ]; then
        export DISPLAY
        DISPLAY=$(cat "$env_dir/display")
    fi
}

# Waits until a file exists, up to a deadline in seconds.
wait_for_file() {
    local file=$1 seconds=$2 start=$SECONDS
    while [ ! -s "$file" ]; do
        if [ $((SECONDS - start)) -ge "$seconds" ]; then
            return 1
        fi
        sleep 0.1
    done
}

# Ends a process whose PID is in a file, politely first, and removes the file.
stop_pid_file() {
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

# Starts Xvfb on the first free display from 90 up; writes the display's name to $1 and
# Xvfb's PID to $2; $3, when given, is the screen's size (1280x1024x24 otherwise). Waits until
# the display answers.
start_xvfb() {
    local display_file=$1 pid_file=$2 screen=${3:-1280x1024x24} n
    for n in $(seq 90 189); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
        echo $! >"$pid_file"
        local start=$SECONDS
        while [ $((SECONDS - start)) -lt 20 ]; do
            if ! kill -0 "$(cat "$pid_file")" 2>/dev/null; then
                break  # lost the race for this display to another starter: try the next one
            fi
            # Another starter's server may answer on the display we both tried: it is ours only
            # when the lock names our server.
            if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$(cat "$pid_file")" ] &&
                xdpyinfo -display ":$n" >/dev/null 2>&1; then
                echo ":$n" >"$display_file"
                return 0
            fi
            sleep 0.1
        done
        stop_pid_file "$pid_file"
    done
    echo "no free X display for Xvfb" >&2
    return 1
}
