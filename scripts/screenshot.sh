#!/bin/sh
# Draws the main window offscreen with a sample store, an entry shown as text and as HTML, into
# docs/main-window.png and docs/main-window-html.png.
#   scripts/screenshot.sh [build folder]   (default: build/dev)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target gui_main_window_screenshot_test
QT_QPA_PLATFORM=offscreen TIDEWICK_SCREENSHOT="$root/docs/main-window.png" \
  "$build/tests/ui/gui_main_window_screenshot_test"
echo "written: $root/docs/main-window.png main-window-html.png"
