#!/usr/bin/env bash
# Saves PNG screenshots of the main window and the rule editor, drawn with
# sample content by quarvel-form-preview, at 100 % and 200 % scale:
#   tools/screenshots.sh [DIRECTORY]      (default docs/screenshots)
# It runs the windows on a virtual X display (Xvfb) when xvfb-run is
# installed, else on Qt's offscreen platform. Builds the preview first
# (build directory: $QUARVEL_BUILD_DIR, default build/).
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/screenshots}
build=${QUARVEL_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake --preset default
fi
cmake --build "$build" --target quarvel-form-preview
preview="$build/bin/quarvel-form-preview"
mkdir -p "$out"

for scale in 1 2; do
  if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
      xvfb-run --auto-servernum --server-args="-screen 0 1920x1440x24 -dpi 96" \
      "$preview" --save "$out"
  else
    echo "xvfb-run not found: using Qt's offscreen platform" >&2
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale "$preview" --save "$out"
  fi
done
