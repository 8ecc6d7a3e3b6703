#!/bin/bash
# CPU of the viewer per frame while the globe spins, paced to the display (60 Hz under Xvfb),
# and the time from start to the first frame: under a private Xvfb with openbox, as users run
# it. Designs: the kept picture with and without antialiasing=4, and the immediate-mode
# design (every frame whole, the vase in per-quad immediate mode); with a second viewer
# (another build, e.g. main's) its kept picture with and without antialiasing too. Then the
# start to the first frame with a 1000 x 1000 vase, for both viewers.
# Usage: bench/spin_bench.sh VIEWER TEXTURE_LIST [STARTS [OTHER_VIEWER]]
# Every start runs each design once, in a fresh process, the order reversed every other start.
set -eu
viewer=$(realpath "$1") list=$(realpath "$2") starts=${3:-3} other=${4:+$(realpath "$4")}
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; kill "$wm" "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
sleep 1

designs=("kept" "kept aa4" "immediate")
[ -n "$other" ] && designs+=("other kept" "other kept aa4")

now_ms() { date +%s%3N; }
# One run: prints "<ms CPU per frame> <frames a second> <ms to first frame>".
run() {
    local exe=$viewer args=() env=(TOLVANE_TRACE_FRAMES=1)
    case $1 in other*) exe=$other ;; esac
    case $1 in *aa4) args=(--set antialiasing=4) ;; esac
    [ "$1" = immediate ] && env+=(TOLVANE_VASE_SUBMIT=immediate TOLVANE_KEPT_PICTURE=0)
    : >"$work/out"
    local t0; t0=$(now_ms)
    (cd "$work" && exec env "${env[@]}" "$exe" "$list" "${args[@]}") >"$work/out" 2>&1 &
    pid=$!
    local first=
    for _ in $(seq 600); do
        grep -q '^frame 1$' "$work/out" && { first=$(( $(now_ms) - t0 )); break; }
        sleep 0.01
    done
    sleep 4
    ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    frames() { grep -c '^frame ' "$work/out" || true; }
    local c0 f0 c1 f1
    c0=$(ticks); f0=$(frames); sleep 10; c1=$(ticks); f1=$(frames)
    kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
    local hz; hz=$(getconf CLK_TCK)
    awk -v c=$((c1 - c0)) -v f=$((f1 - f0)) -v hz="$hz" -v first="$first" \
        'BEGIN { printf "%.3f %.1f %s\n", c * 1000 / hz / f, f / 10, first }'
}

for s in $(seq "$starts"); do
    order=("${designs[@]}")
    if [ $((s % 2)) -eq 0 ]; then
        order=(); for ((i = ${#designs[@]} - 1; i >= 0; i--)); do order+=("${designs[$i]}"); done
    fi
    for d in "${order[@]}"; do
        echo "$d|$(run "$d")" >>"$work/results"
    done
done

# Start to the first frame with a 1000 x 1000 vase (the first frame does not wait for its mesh).
first_frame() {
    : >"$work/out"
    local t0; t0=$(now_ms)
    (cd "$work" && exec env TOLVANE_TRACE_FRAMES=1 "$1" "$list" --set vaseVerticalSteps=1000 \
        --set vaseRadialSteps=1000) >"$work/out" 2>&1 &
    pid=$!
    local first=-1
    for _ in $(seq 3000); do
        grep -q '^frame 1$' "$work/out" && { first=$(( $(now_ms) - t0 )); break; }
        sleep 0.01
    done
    kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
    echo "0 0 $first"
}
big=("1000 kept")
[ -n "$other" ] && big+=("1000 other kept")
for s in $(seq "$starts"); do
    order=("${big[@]}")
    [ $((s % 2)) -eq 0 ] && [ -n "$other" ] && order=("${big[1]}" "${big[0]}")
    for d in "${order[@]}"; do
        exe=$viewer; case $d in *other*) exe=$other ;; esac
        echo "$d|$(first_frame "$exe")" >>"$work/results"
    done
done

summary() {  # column: 1 ms/frame, 2 frames/s, 3 first frame ms
    grep "^$1|" "$work/results" | cut -d'|' -f2 | awk -v col="$2" '{print $col}' | sort -g |
        awk '{v[NR] = $1} END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
             printf "%.2f (%.2f-%.2f)", m, v[1], v[NR] }'
}
echo "Globe spinning, paced to the display; CPU of the whole viewer process (utime + stime) over"
echo "10 s after 4 s to settle; median of $starts starts (range):"
printf '  %-16s %28s %22s %26s\n' design "CPU ms a frame" "frames a second" "start to first frame ms"
for d in "${designs[@]}"; do
    printf '  %-16s %28s %22s %26s\n' "$d" "$(summary "$d" 1)" "$(summary "$d" 2)" "$(summary "$d" 3)"
done
for d in "${big[@]}"; do
    printf '  %-16s %28s %22s %26s\n' "$d" "" "" "$(summary "$d" 3)"
done
