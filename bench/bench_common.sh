# shellcheck shell=bash
# Shared by the shell benchmarks, which source it: `here` is the checkout, `shared` the reference corpus tools.

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck disable=SC2034  # read by the scripts
shared="${SHARED_BENCH:-$here/../shared/bench}"

# Installs the named Debian packages (bench-only: not needed to build or test Tidewick), with sudo unless root.
install_bench_packages() {
  [ $# -gt 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# Sets tidewick_feed to the binary named, or else to a Release build of this checkout's tidewick-feed.
find_tidewick_feed() {
  tidewick_feed="${1:-}"
  if [ -z "$tidewick_feed" ]; then
    local build="$here/build/bench-release"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_GUI=OFF \
      -DTIDEWICK_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target tidewick-feed >/dev/null
    tidewick_feed="$build/tools/tidewick-feed"
  fi
}
