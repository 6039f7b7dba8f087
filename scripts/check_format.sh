#!/usr/bin/env bash
# Checks that every tracked C++ file (but the test data) is formatted as .clang-format says. Fix with
#   git ls-files '*.cpp' '*.h' | grep -v '^tests/data/' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v clang-format >/dev/null || { echo "check_format: clang-format is not installed" >&2; exit 1; }
git ls-files -z '*.cpp' '*.h' | grep -zv '^tests/data/' | xargs -0 clang-format --dry-run --Werror
echo "check_format: $(git ls-files '*.cpp' '*.h' | grep -cv '^tests/data/') files formatted"
