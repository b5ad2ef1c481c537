#!/bin/sh
# Pictures of the main window at its fullest (every box full, ten-letter words,
# then the end-of-turn word lists and the words missed) at the sizes worth
# looking at: the default window, 1280 x 800, maximised on a 3840 x 2160
# screen, and the default window at twice the pixels (QT_SCALE_FACTOR=2).
#
#   tools/shoot-layout.sh [BUILD_DIR] [OUT_DIR]      (defaults: build, docs/screenshots)
#
# Needs Xvfb (xvfb-run) and ImageMagick. Each size gives layout-<size>-boxes.jpg and -lists.jpg.
set -eu
build=${1:-build}
out=${2:-docs/screenshots}
shots="$build/board_shots"
[ -x "$shots" ] || { echo "build the board_shots target first: cmake --build $build --target board_shots" >&2; exit 1; }
mkdir -p "$out"

shoot() {
    screen=$1; name=$2; shift 2
    xvfb-run -a -s "-screen 0 ${screen}x24" env ZIRKY_NO_SOUND=1 "$@" "$shots" "$out/layout-$name" ${ARGS:-}
    for part in boxes lists; do
        convert "$out/layout-$name-$part.png" -quality 92 "$out/layout-$name-$part.jpg"
        rm "$out/layout-$name-$part.png"
    done
}

ARGS= shoot 1600x1000 default
ARGS="--size 1280x800" shoot 1600x1000 1280x800
ARGS="--maximise" shoot 3840x2160 maximised-3840x2160
ARGS= shoot 3840x2160 scale2 env QT_SCALE_FACTOR=2
