#!/bin/sh
# Draws the feed, settings and info dialogs and the new-entries popup offscreen into docs/dialog-*.png, from their GUI tests.
#   scripts/dialog_screenshots.sh [build folder]   (default: build/dev)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
for test in feed_edit_dialog settings_dialog info_dialog notifications; do
  cmake --build "$build" --target "gui_${test}_test"
  QT_QPA_PLATFORM=offscreen TIDEWICK_SCREENSHOT_DIR="$root/docs" "$build/tests/ui/gui_${test}_test" >/dev/null
done
echo "written: $root/docs/dialog-feed-edit.png dialog-settings.png dialog-info.png popup.png"
