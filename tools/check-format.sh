#!/usr/bin/env bash
# Fails when a C++ file that git knows differs from what clang-format makes of
# it with the checked-in .clang-format. Lists the files; fix them with
#   clang-format -i FILE...
#
#   tools/check-format.sh [FILE...]       (default: every *.h and *.cc git knows)
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" > /dev/null ||
  { echo "check-format: $clang_format not found (Debian package clang-format)" >&2; exit 2; }
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.h' '*.cc')
fi

# One clang-format per file, on every core; each prints the names that differ.
mapfile -t unformatted < <(
  printf '%s\0' "${files[@]}" |
    xargs -0 -n 16 -P "$(nproc)" sh -c '
      for file; do
        "$0" --style=file --dry-run --Werror "$file" > /dev/null 2>&1 || echo "$file"
      done' "$clang_format" |
    sort)

if [ ${#unformatted[@]} -gt 0 ]; then
  printf '%s\n' "${unformatted[@]}"
  echo "check-format: ${#unformatted[@]} of ${#files[@]} files differ from clang-format's layout" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
