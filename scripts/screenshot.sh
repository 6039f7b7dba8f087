#!/bin/sh
# Draws the main window offscreen with a sample store, an entry shown as text and as HTML, into
# docs/main-window.png and docs/main-window-html.png.
#   scripts/screenshot.sh [build folder]   (default: build/dev)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
# The drawing program lives with the window benchmark (bench/window).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWICK_BENCH=ON >/dev/null
cmake --build "$build" --target main_window_screenshot
QT_QPA_PLATFORM=offscreen "$build/bench/window/main_window_screenshot" "$root/docs/main-window.png"
echo "written: $root/docs/main-window.png main-window-html.png"
