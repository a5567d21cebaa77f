#!/usr/bin/env bash
# Formats the C++ sources; with --check only reports what is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src sim tests bench -name '*.cpp' -o -name '*.h')
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${files[@]}"
  echo "format check: ${#files[@]} files clean"
else
  clang-format -i "${files[@]}"
fi
