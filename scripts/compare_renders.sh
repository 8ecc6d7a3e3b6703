#!/usr/bin/env bash
# Draws the same settings with two builds of tolvane (--render, offscreen) and compares the
# pictures byte for byte: every setting set below at every globe angle below.
#   scripts/compare_renders.sh OLD_TOLVANE NEW_TOLVANE [TEXTURE_LIST]
# Prints one line per picture that differs (or fails to draw) and a count; status 0 only when
# every picture is identical.
set -u
if [ $# -lt 2 ]; then
    echo "usage: $0 OLD_TOLVANE NEW_TOLVANE [TEXTURE_LIST]" >&2
    exit 2
fi
old=$1
new=$2
list=${3:-build/assets/textureList.txt}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each line is one set of arguments; together they reach every piece, shape parameter,
# texture slot, mirror and move: tessellations (GLU's degenerate 0 and 1 included), the
# textures swapped between pieces, view rotations that show the underside and the back,
# zoom, light, the vase's every switch, and a picture that is not square.
sets=(
    ""
    "--set objectSlices=3 --set objectStacks=1"
    "--set objectSlices=0 --set objectStacks=0"
    "--set objectSlices=1 --set objectStacks=2 --set vaseVerticalSteps=1 --set vaseRadialSteps=3"
    "--set objectSlices=120 --set objectStacks=60 --set zoom=0.6"
    "--set tableTexture=4 --set popTexture=3 --set globeTexture=0 --set vaseTexture=2 --set standTexture=1"
    "--set rotation=0,90,0 --set lightPosition=1,1,0"
    "--set rotation=150,30,0 --set zoom=0.4"
    "--set rotation=-60,200,45 --set lightDiffuse=0.5,1,2 --set lightSpecular=0,0,0"
    "--set crazyVase=1 --set fillVaseSteps=0 --set radialVaseNormals=0 --set cylindricalProjection=0"
    "--set vaseVerticalSteps=31 --set vaseRadialSteps=7 --set rotation=20,-120,0"
    "--size 640x360 --set rotation=10,45,0 --set zoom=1.5"
)
angles=(0 13 90 181 359)

total=0
differ=0
for i in "${!sets[@]}"; do
    for angle in "${angles[@]}"; do
        total=$((total + 1))
        # shellcheck disable=SC2086  # each set is split into its arguments on purpose
        args=(${sets[$i]} --set globeAngle="$angle")
        if ! "$old" --quiet "${args[@]}" --render "$work/old.png" "$list" >"$work/log" 2>&1 ||
            ! "$new" --quiet "${args[@]}" --render "$work/new.png" "$list" >>"$work/log" 2>&1; then
            echo "FAILED to draw: ${args[*]}"
            sed 's/^/    /' "$work/log"
            differ=$((differ + 1))
        elif ! cmp -s "$work/old.png" "$work/new.png"; then
            echo "DIFFERENT: ${args[*]}"
            differ=$((differ + 1))
        fi
    done
done
echo "$((total - differ)) of $total pictures identical (${#sets[@]} setting sets x ${#angles[@]} globe angles)"
[ "$differ" -eq 0 ]
