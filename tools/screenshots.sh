#!/usr/bin/env bash
# Saves PNG screenshots at 100 % and 200 % scale:
#   tools/screenshots.sh [DIRECTORY]      (default docs/screenshots)
# The rule editor and the icons are drawn with sample content by
# quarvel-form-preview, on a virtual X display (Xvfb) when xvfb-run is
# installed, else on Qt's offscreen platform. The main window is the running
# QuarvelSetup on a sample server (exsim init), with the sink installed and
# registered in two folders, the demo's rules and one more, a row clicked, shot
# under Xvfb with xdotool, xwd and netpbm (skipped without them). Builds what it
# runs first (build directory: $QUARVEL_BUILD_DIR, default build/).
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/screenshots}
build=${QUARVEL_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake --preset default
fi
cmake --build "$build" --target quarvel-form-preview QuarvelSetup Quarvel exsim
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

# The preview's main window is replaced by the running program's.
for tool in xvfb-run xwd xwdtopnm pnmtopng xdotool; do
  if ! command -v $tool >/dev/null 2>&1; then
    echo "$tool not found (packages xvfb, x11-apps, netpbm, xdotool): main-window.png is the" \
      "preview's" >&2
    exit 0
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$(cd "$build/bin" && pwd)
export EXSIM_ROOT=$work/server
"$bin/exsim" init > /dev/null
# The program writes its rule file beside itself: a copy of it, not the build's.
mkdir -p "$work/bin"
cp "$bin/QuarvelSetup" "$work/bin/"
cp "$bin/Quarvel.so" "$work/"
# The demo's rules, and one forwarding to a folder's address: its row is a
# rule target.
sed -e "s|^Path=.*|Path=$EXSIM_ROOT/pickup|" \
  -e 's|^\[Quarvel PickupDir\]|ConditionHeader7=Subject\nConditionValue7=Order:\nAction7=forward to\nTarget7=customers@example.com\nTargetDisplayName7=Customers\n&|' \
  testdata/demo-rules.ini > "$work/bin/Quarvel.ini"
(cd "$work" && "$work/bin/QuarvelSetup" --install > /dev/null &&
  "$work/bin/QuarvelSetup" --register Sales europe@example.com > /dev/null)

cat > "$work/shoot.sh" <<'SHOOT'
#!/usr/bin/env bash
# Inside the virtual display: start the window, click a folder row (it turns
# red, pending), shoot the window, close it.
set -euo pipefail
work=$1 file=$2
cd "$work"
"$work/bin/QuarvelSetup" &
program=$!
wid=
for _ in $(seq 1 100); do
  wid=$(xdotool search --sync --onlyvisible --name '^Quarvel setup$' 2>/dev/null | head -n 1) && break
  sleep 0.2
done
sleep 2
eval "$(xdotool getwindowgeometry --shell "$wid")"
# Where to click, in thousandths of the window's size (any scale): the
# second row of the folder list.
click() {
  xdotool mousemove --window "$wid" $((WIDTH * $1 / 1000)) $((HEIGHT * $2 / 1000)) click 1
  sleep 1
}
click 100 332
xwd -silent -id "$wid" | xwdtopnm 2>/dev/null | pnmtopng > "$file"
kill "$program"
wait "$program" 2>/dev/null || true
SHOOT
chmod +x "$work/shoot.sh"
for scale in 1 2; do
  suffix=
  [ "$scale" = 2 ] && suffix=@2x
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    xvfb-run --auto-servernum --server-args="-screen 0 1920x1440x24 -dpi 96" \
    "$work/shoot.sh" "$work" "$(cd "$out" && pwd)/main-window$suffix.png"
  echo "$out/main-window$suffix.png"
done
