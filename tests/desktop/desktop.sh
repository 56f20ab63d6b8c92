#!/usr/bin/env bash
# The shipped program as a user meets it: its own X server (Xvfb) with a window
# manager (openbox), real key presses and the manager's close through xdotool,
# real signals. The recording stand-in writes each driver call to a file, so
# the calls are counted from outside the program.
# Usage: desktop.sh PROGRAM EMULATOR_DIR RECORDER_DIR
set -u
program=$1 emulator=$2 recorder=$3
for tool in Xvfb openbox xdotool xwininfo xprop xdpyinfo fc-match; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "FAIL: $*" >&2; exit 1; }
now() { date +%s%N; }
# wait_for SECONDS WHAT COMMAND...: COMMAND until it succeeds, bounded by wall-clock time.
wait_for() {
    local end=$(($(now) + $1 * 1000000000)) limit=$1 what=$2
    shift 2
    until "$@"; do
        (($(now) < end)) || fail "waited ${limit}s for $what"
        sleep 0.05
    done
}
gone() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }

# Our own display: Xvfb takes a free number itself and writes it to fd 3 once
# it accepts clients, so servers already running elsewhere are never in the way.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 "Xvfb to take a display" bash -c "grep -q '^[0-9]' $work/display || ! kill -0 $! 2>/dev/null"
kill -0 $! 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
echo "display $DISPLAY"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 "openbox to manage the screen" bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"

# launch NAME LIBRARY_DIR: the program, calls logged when the library is the recorder.
launch() {
    rm -f "$work/$1.calls"
    QB7REC_LOG="$work/$1.calls" LD_LIBRARY_PATH=$2 "$program" >"$work/$1.log" 2>&1 &
    app=$!
    pids+=($app)
}
# start NAME LIBRARY_DIR: launched, its window shown, framed and focused.
start() {
    launch "$1" "$2"
    wait_for 20 "the window of run '$1'" bash -c "xdotool search --onlyvisible --pid $app >/dev/null"
    window=$(xdotool search --onlyvisible --pid "$app" | head -1)
    wait_for 10 "the frame of run '$1'" bash -c "xprop -id $window _NET_FRAME_EXTENTS | grep -q ="
    wait_for 10 "the focus on run '$1'" bash -c "[ \"\$(xdotool getactivewindow)\" = $window ]"
}
# ended NAME STATUS SECONDS: the program ended with STATUS within SECONDS
# (times ZK_END_SLOWDOWN: a sanitized build checks its whole heap at the end).
ended() {
    wait_for "$(($3 * ${ZK_END_SLOWDOWN:-1}))" "run '$1' to end" gone "$app"
    wait "$app"
    local status=$?
    [ "$status" = "$2" ] || fail "run '$1' ended with status $status, not $2: $(cat "$work/$1.log")"
}
count() { grep -cx "$2" "$work/$1.calls"; }
# balanced NAME EXTRA: every conversion closed its device; EXTRA more CloseQB7 beyond them.
balanced() {
    local opens closes
    opens=$(count "$1" OpenQB7) closes=$(count "$1" CloseQB7)
    [ "$closes" = $((opens + $2)) ] || fail "run '$1': $opens OpenQB7, $closes CloseQB7, expected $2 more CloseQB7"
    [ "$opens" = 0 ] || [ "$(tail -1 "$work/$1.calls")" = CloseQB7 ] || fail "run '$1' ended inside a conversion"
}

start placed "$emulator"
read -r left right top _ < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
x=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
y=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
[ $((x - left)),$((y - top)) = 0,0 ] || fail "frame at $((x - left)),$((y - top)), not at the screen's top-left"
echo "frame at 0,0 (client at $x,$y)"
# The faces the program has loaded to draw its captions.
song=$(fc-match -f '%{file}' 'AR PL UMing CN')
other=$(fc-match -f '%{file}' 'WenQuanYi Zen Hei')
grep -qF "$song" "/proc/$app/maps" || fail "the Song face $song is not in use"
! grep -qF "$other" "/proc/$app/maps" || fail "captions fall back to $other"
echo "captions drawn with $song"
kill -TERM "$app"
ended placed 0 5

for key in Return KP_Enter space; do
    start "$key" "$recorder"
    xdotool key "$key"
    ended "$key" 0 5
    balanced "$key" 1
    echo "$key: Exit, one CloseQB7 of its own"
done

start closed "$recorder"
xdotool key alt+F4
ended closed 0 5
balanced closed 0
echo "closed by the window manager: no driver call of its own"

start sweep "$recorder"
# Sweeps run back to back from the first tick, live conversions inside them.
wait_for 10 "conversions in run 'sweep'" bash -c "[ \$(grep -c OpenQB7 $work/sweep.calls) -gt 20 ]"
sent=$(now)
kill -TERM "$app"
ended sweep 0 1
balanced sweep 0
echo "SIGTERM during a sweep: ended in $((($(now) - sent) / 1000000)) ms"

start box "$recorder"
xdotool key Tab Tab Tab Tab Tab space # Command1, Picture1, Command3..5, then About
wait_for 10 "the About box" bash -c "[ \$(xdotool search --onlyvisible --pid $app | wc -l) -ge 2 ]"
about=$(xdotool search --onlyvisible --pid "$app" | grep -vx "$window" | head -1)
wait_for 10 "the frame of the About box" bash -c "xprop -id $about _NET_FRAME_EXTENTS | grep -q ="
read -r left right _ < <(xprop -id "$about" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
width=$(($(xwininfo -id "$about" | sed -n 's/.*Width: *//p') + left + right))
# openbox's title bar shows the whole title from a frame of 240 px on (measured
# with the fonts install-deps brings: at 220 px it elides the title's middle).
[ "$width" -ge 240 ] || fail "the About box's frame is $width px wide: its title is cut off"
echo "About box: frame $width px wide, room for its whole title"
kill -HUP "$app"
ended box 0 1
balanced box 0
echo "SIGHUP with the About box open: ended"

# No driver library: the first tick's failure box is open when the signal comes.
mkdir "$work/none"
launch failed "$work/none"
wait_for 20 "the failure box" bash -c "[ \$(xdotool search --onlyvisible --pid $app | wc -l) -ge 2 ]"
kill -TERM "$app"
ended failed 1 1
echo "SIGTERM with the failure box open: ended with the failure's status"
