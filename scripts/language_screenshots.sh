#!/bin/sh
# Draws the settings dialog offscreen in every shipped language (and the built-in German) into
# docs/languages/<language code>.png, from the language fit test. Japanese and Chinese need a CJK font installed.
#   scripts/language_screenshots.sh [build folder]   (default: build/dev)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target gui_language_fit_test
mkdir -p "$root/docs/languages"
QT_QPA_PLATFORM=offscreen TIDEWICK_SCREENSHOT_DIR="$root/docs/languages" "$build/tests/ui/gui_language_fit_test" >/dev/null
echo "written: $(ls "$root/docs/languages")"
