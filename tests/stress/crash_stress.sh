#!/bin/sh
# Kills a running window with SIGKILL 100 times at random moments while feeds are added and entries marked, and
# checks after each kill that the store is complete and holds every change older than the save delay.
# Usage: tests/stress/crash_stress.sh [build folder] [rounds]   (default build/dev, 100 rounds)
set -eu
build=${1:-build/dev}
rounds=${2:-100}
test_program="$build/tests/app/app_crash_safety_test"
if [ ! -x "$test_program" ]; then
  echo "build it first: cmake --build $build --target app_crash_safety_test" >&2
  exit 2
fi
TIDEWICK_CRASH_ROUNDS=$rounds QT_QPA_PLATFORM=offscreen "$test_program"
