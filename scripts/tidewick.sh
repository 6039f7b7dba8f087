#!/usr/bin/env bash
# Installs what the build needs, builds Tidewick, and then starts it ("start") or runs every test ("test").
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

packages=(
  build-essential cmake ninja-build pkg-config clang
  qt6-base-dev qt6-multimedia-dev libgl-dev
  libcurl4-openssl-dev libutf8proc-dev nlohmann-json3-dev zlib1g-dev libbrotli-dev libsecret-1-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev libpugixml-dev
  qt6-svg-dev libgumbo-dev
  # Qt's own texts (standard buttons, file dialogs) in the user's language.
  qt6-translations-l10n
  # WebP pictures in entries (PNG, JPEG and GIF come with Qt itself).
  qt6-image-formats-plugins
  # Test-only: OPML interop with another reader, XML, desktop-entry and AppStream checks, and the source checks
  # (layers, format, clang-tidy).
  newsboat libxml2-utils desktop-file-utils appstream python3 clang-format clang-tidy
  # Test-only: a private Tiny Tiny RSS server for the sync tests (scripts/ttrss_server.sh), and a Secret Service.
  tt-rss php-cli php-pgsql postgresql gnome-keyring dbus
)

install_missing() {
  local missing=()
  for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs="$(nproc 2>/dev/null || echo 2)"

configure_and_build() {  # folder, then extra cmake arguments; TARGETS limits what is built
  local folder="$1"
  shift
  cmake -S . -B "$folder" -G Ninja "$@" >/dev/null
  local targets=()
  for target in ${TARGETS:-}; do targets+=(--target "$target"); done
  cmake --build "$folder" --parallel "$jobs" "${targets[@]}"
}

# Line tables only (-g1): backtraces and profiles keep their file and line, and every file compiles in about 70% of
# the time full debug information takes, which keeps the test command's full run well inside its 20 minutes.
build_dev() {
  configure_and_build build/dev -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
    -DTIDEWICK_WERROR="${TIDEWICK_WERROR:-OFF}" -DTIDEWICK_PCH=ON
}

# The sanitizer builds only run tests: -Og keeps them quick to build (at -O1 sanitized files build twice as long)
# and -g1 keeps the file and line of every report.
sanitizer_flags=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS= "-DCMAKE_CXX_FLAGS_DEBUG=-Og -g1" -DTIDEWICK_GUI=OFF
  -DTIDEWICK_PCH=ON)

run_tests() {
  build_dev
  (cd build/dev && ctest --output-on-failure --parallel "$jobs")
  # The core again under AddressSanitizer and UndefinedBehaviorSanitizer (building only what its suites need).
  TARGETS=core_tests configure_and_build build/asan "${sanitizer_flags[@]}" -DTIDEWICK_SANITIZE=address,undefined
  (cd build/asan && ctest --output-on-failure --parallel "$jobs" -L core)
  # The tests that run threads again under ThreadSanitizer.
  TARGETS=concurrency_tests configure_and_build build/tsan "${sanitizer_flags[@]}" -DTIDEWICK_SANITIZE=thread
  (cd build/tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$here/scripts/tsan_suppressions.txt" ctest --output-on-failure --parallel "$jobs" -L concurrency)
}

case "${1:-}" in
  start)
    install_missing
    build_dev
    shift
    exec build/dev/src/app/tidewick "$@"
    ;;
  test)
    install_missing
    run_tests
    ;;
  *)
    echo "usage: $0 start [arguments for Tidewick] | test" >&2
    exit 2
    ;;
esac
