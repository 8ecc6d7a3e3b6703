#!/usr/bin/env bash
# Builds the libFuzzer targets of the parsers and runs each for a while.
# Usage: scripts/fuzz.sh [build-dir] [seconds-per-target]   (run from anywhere; paths are from the repo root)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build-fuzz}
seconds=${2:-60}
case $build in /*) ;; *) build="$root/$build" ;; esac
mkdir -p "$build"

if ! clang++ --version >/dev/null 2>&1; then
  echo "clang++ not found: run 'TOLVANE_FUZZ=1 bash scripts/setup.sh' first" >&2
  exit 1
fi
flags=(-std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -I"$root")

# target name, then the core sources it needs
build_target() {
  local name=$1; shift
  echo "Building $name"
  clang++ "${flags[@]}" "$root/tests/fuzz/$name.cpp" "$@" -o "$build/$name"
}
build_target ppm_fuzz "$root/core/image/ppm.cpp"
build_target texture_list_fuzz "$root/core/texture_list.cpp"
image_libs=($(pkg-config --libs libpng) -ljpeg)
build_target image_fuzz "$root"/core/image/{image_file,png_read,jpeg_read,exif_orientation,ppm}.cpp \
  "$root/core/image/image_structure.cpp" "${image_libs[@]}"
build_target options_fuzz "$root"/core/{options,options_settings,options_text,scene_state,controls,keys,view_math,settings,standard_views,still_life,mat4,turntable}.cpp
build_target texture_file_fuzz "$root"/core/image/{image_structure,image_file,png_read,jpeg_read,exif_orientation,ppm}.cpp \
  "${image_libs[@]}"
build_target scene_file_fuzz "$root"/core/{scene_file,picture_text,options,options_settings,options_text,scene_state,controls,keys,view_math,settings,standard_views,still_life,mat4,turntable}.cpp \
  "$root"/core/image/{image_structure,image_file,png_read,jpeg_read,exif_orientation,ppm}.cpp "${image_libs[@]}"

# Small seed corpora: valid inputs of each form, so the fuzzer starts past the magic and the count.
ppm_seeds="$build/corpus/ppm"
list_seeds="$build/corpus/texture_list"
image_seeds="$build/corpus/image"
options_seeds="$build/corpus/options"
scene_seeds="$build/corpus/scene_file"
mkdir -p "$ppm_seeds" "$list_seeds" "$image_seeds" "$options_seeds" "$scene_seeds"
printf 'P6\n# comment\n2 1\n255\nabcdef' >"$ppm_seeds/plain"
printf 'P6\n#\n#\n1 1 15 \x0a\x0f\x07' >"$ppm_seeds/comments"
printf 'P6 1 1 1000\n\x03\xe8\x01\xf4\x00\x00' >"$ppm_seeds/wide"
printf 'P6 4 2 255\nshort' >"$ppm_seeds/short"
printf '3\ntable.ppm can.ppm\nearth.ppm\n' >"$list_seeds/decimal"
printf '0x2 a b' >"$list_seeds/hex"
printf '010\na b c d e f g h\n' >"$list_seeds/octal"
printf '5 only.ppm' >"$list_seeds/short"
printf -- '--set\0vaseVerticalSteps=1000\0--set\0lightPosition=1,0.5,-1\0list.txt' >"$options_seeds/set"
printf -- '-geometry\0700x700+0+0\0--render\0a.png\0--size\0640x480' >"$options_seeds/render"
printf 'zoom=0.3' >"$options_seeds/word"
# Valid PNG and JPEG files of each variant, written by libpng and libjpeg, beside the P6 seeds.
clang++ -std=c++17 -O1 -I"$root" -I"$root/tests" "$root/tests/fuzz/make_image_seeds.cpp" \
  "$root/tests/support/encode_images.cpp" "${image_libs[@]}" -o "$build/make_image_seeds"
"$build/make_image_seeds" "$image_seeds"
cp "$ppm_seeds"/* "$image_seeds"/
# Pictures carrying arguments, as the viewer writes them, and a page link's query.
# (The reader does not check CRCs, so zeros stand in for them.)
printf '\x89PNG\r\n\x1a\n\0\0\0\x41tEXtTolvane arguments\0--size 640x480 --set '"'"'zoom=2'"'"' --set spinGlobe=0\0\0\0\0' >"$scene_seeds/png"
printf '\xff\xd8\xff\xfe\0\x26Tolvane arguments: --set crazyVase=1\xff\xd9' >"$scene_seeds/jpeg"
printf 'crazyVase=1&lightPosition=1,0.5,-1&zoom=2' >"$scene_seeds/link"
# A bare TIFF structure with an Orientation entry, for the EXIF reader run on its own.
printf 'II*\0\10\0\0\0\1\0\22\1\3\0\1\0\0\0\10\0\0\0' >"$image_seeds/exif-tiff"

# Crash reproducers land in the build folder, not the working directory.
for name in ppm_fuzz texture_list_fuzz image_fuzz texture_file_fuzz options_fuzz scene_file_fuzz; do
  case $name in
    ppm_fuzz) seeds=$ppm_seeds ;;
    texture_list_fuzz) seeds=$list_seeds ;;
    image_fuzz | texture_file_fuzz) seeds=$image_seeds ;;
    options_fuzz) seeds=$options_seeds ;;
    scene_file_fuzz) seeds=$scene_seeds ;;
  esac
  echo "Running $name for ${seconds}s"
  (cd "$build" && "./$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
     -artifact_prefix="$build/$name-" "$seeds")
done
