#!/usr/bin/env bash
# Takes a screenshot of the viewer and its panel on the bundled textures, under a private Xvfb.
# Usage: scripts/screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
out=${2:-docs/screenshot.png}
mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d)
viewer="" xvfb=""
trap 'kill $viewer $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT

# -displayfd makes Xvfb pick a free display and write its number to the pipe.
exec 3> >(cat > "$tmp/display")
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$tmp/display")"

(cd "$build/assets" && exec "$build/tolvane" textureList.txt >"$tmp/log" 2>&1) &
viewer=$!

# Wait until both windows are mapped, then let the scene settle for a moment.
for _ in $(seq 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"GLUI"'; then break; fi
  sleep 0.1
done
geometry() { xwininfo -root -tree | grep "\"$1\"" | head -n1 | sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/'; }
sleep 3
read -r pw ph px py < <(geometry GLUI)

width=$((px + pw)); height=$((ph > 500 ? ph : 500))
xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut 0 0 "$width" "$height" | pnmtopng > "$out"
echo "wrote $out (${width}x${height})"
