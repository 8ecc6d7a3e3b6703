#!/bin/bash
# Responsiveness and CPU use of a viewer binary under a private Xvfb with openbox.
# Usage: bench/responsiveness.sh VIEWER PROBE TEXTURE_LIST cpu|latency [--set ...]
#   cpu:     CPU use of the viewer over 10 s, after 5 s to settle (percent of one core)
#   latency: the probe's table (checkbox tick, typed characters, scene after Enter)
#   frames:  the probe's scene frame intervals (with the globe spinning)
#   drag:    the probe's time from a drag's release to the scene's last change
# Every mode ends with the viewer's peak resident memory (VmHWM).
set -eu
viewer=$1 probe=$2 list=$3 mode=$4
shift 4
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
work=$(mktemp -d)
(cd "$work" && TOLVANE_TRACE_FRAMES=1 exec "$viewer" "$list" "$@") >"$work/out" 2>&1 &
pid=$!
cleanup() { kill "$pid" "$wm" "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 100); do
    scene=$(xdotool search --name "Brenwick's Tolvane" 2>/dev/null | head -1) || true
    panel=$(xdotool search --name '^GLUI$' 2>/dev/null | head -1) || true
    [ -n "$scene" ] && [ -n "$panel" ] && break
    sleep 0.2
done
sleep 5
case $mode in
cpu)
    ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    frames() { grep -c '^frame ' "$work/out" || true; }
    t0=$(ticks); f0=$(frames); sleep 10; t1=$(ticks); f1=$(frames)
    echo "cpu $(( (t1 - t0) / 10 ))%"
    echo "frames a second $(( (f1 - f0) / 10 ))"
    ;;
latency)
    "$probe" "$scene" "$panel" "${REPEATS:-3}"
    ;;
frames)
    "$probe" "$scene" "$panel" "${REPEATS:-8}" frames
    ;;
drag)
    "$probe" "$scene" "$panel" "${REPEATS:-3}" drag
    ;;
esac
echo "peak rss $(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$pid/status") MiB"
