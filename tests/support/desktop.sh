#!/usr/bin/env bash
# Runs a command on a desktop of its own: an Xvfb server of the given size on
# a free display, with the openbox window manager, both stopped afterwards.
#   desktop.sh WIDTHxHEIGHT command [args...]
# The command's exit status is returned; it sees DISPLAY and QT_QPA_PLATFORM=xcb.
set -u

size=$1
shift

xvfb_pid=
wm_pid=
dir=$(mktemp -d)
stop() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT
trap 'exit 143' INT TERM HUP

# Xvfb picks a free display number itself and writes it to the pipe. Servers
# started at the same moment can still trip over each other's sockets, so a
# server that does not answer is replaced by another.
start_desktop() {
    rm -f "$dir/display"
    mkfifo "$dir/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 20 number <"$dir/display" || return 1
    export DISPLAY=:$number
    for _ in $(seq 50); do
        xprop -root >/dev/null 2>&1 && break
        sleep 0.1
    done
    # openbox owns the WM_S0 selection once it manages the screen.
    HOME=$dir openbox --sm-disable >"$dir/wm.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    return 1
}

for attempt in 1 2 3; do
    start_desktop && break
    echo "desktop.sh: no desktop on attempt $attempt" >&2
    cat "$dir/xvfb.log" "$dir/wm.log" >&2
    kill "$wm_pid" "$xvfb_pid" 2>/dev/null
    wait "$wm_pid" "$xvfb_pid" 2>/dev/null
    wm_pid=
    xvfb_pid=
    [ "$attempt" = 3 ] && exit 1
done
export QT_QPA_PLATFORM=xcb

# Should this script be killed outright (a test timeout), the server goes
# too, and with it every client of it.
script=$$
( while kill -0 "$script" 2>/dev/null; do sleep 1; done; kill "$xvfb_pid" ) >/dev/null 2>&1 </dev/null &

"$@"
