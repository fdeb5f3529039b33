# Sourced by scripts/test and scripts/play: a private Xvfb on the first free display from :99 up.
#
#   start_xvfb LOGFILE   sets DISPLAY and XVFB_PID, stops the server when the script exits
#   stop_xvfb

XVFB_PID=

start_xvfb() {
    local log=$1 number
    for ((number = 99; number < 200; number++)); do
        [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] && continue
        # -noreset: by default the server resets when its last client leaves, and a game started during
        # that reset cannot connect.
        Xvfb ":$number" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$log" 2>&1 &
        XVFB_PID=$!
        trap stop_xvfb EXIT
        trap 'exit 130' INT
        trap 'exit 143' TERM
        local tries
        for ((tries = 0; tries < 200; tries++)); do
            if ! kill -0 "$XVFB_PID" 2>/dev/null; then
                break # another one took this display first
            fi
            if xdpyinfo -display ":$number" >/dev/null 2>&1; then
                export DISPLAY=":$number"
                return 0
            fi
            sleep 0.05
        done
        stop_xvfb
    done
    echo "could not start Xvfb (see $log)" >&2
    return 1
}

stop_xvfb() {
    if [[ -n "$XVFB_PID" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
