#!/usr/bin/env bash
# End-to-end delivery benchmark on the simulated server, with the real sink:
#
#   - exsim deliver of MESSAGES messages (the sample mail of testdata/mail,
#     repeated under new names) into Inbox, with 100 rules of which only the
#     last matches (a move into Junk Mail/Quarantine), registered store-wide;
#     messages/s at 1 and at 2 threads;
#   - the same messages into a folder without any registration (the store
#     alone), as the baseline;
#   - the first 1,000 deliveries against the last 1,000 of the run (a
#     growing target folder and journal must not slow delivery down);
#   - exsim smtp over 1,000 pickup files addressed to a public folder.
#
# Usage: bench/deliver_bench.sh [MESSAGES]   (default 10000)
#   RUNS=N  runs each delivery measurement N times and reports the fastest
#           (default 1; on a machine shared with other work, 3 or more).
# Needs the default build (cmake --build --preset default --target Quarvel exsim).
set -euo pipefail
cd "$(dirname "$0")/.."

messages=${1:-10000}
runs=${RUNS:-1}
bin=$PWD/build/bin
[ -x "$bin/exsim" ] && [ -f "$bin/Quarvel.so" ] ||
  { echo "build first: cmake --build --preset default --target Quarvel exsim" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quarvel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export EXSIM_ROOT=$work/server

# The messages: the sample mail, repeated under numbered names, each with one
# more header for the last rule to find.
mkdir -p "$work/mail"
samples=(testdata/mail/*.eml)
for ((i = 0; i < messages; i++)); do
  sample=${samples[i % ${#samples[@]}]}
  printf 'X-Bench-Run: yes\r\n' | cat - "$sample" > "$work/mail/$(printf '%05d' "$i")-${sample##*/}"
done

# 99 rules that never match (subject, header and SCL tests), then the move.
rules=$work/Quarvel.ini
{
  printf '[Quarvel RuleSet1]\r\n'
  for ((n = 1; n < 100; n++)); do
    case $((n % 3)) in
      0) header=Subject; value="{*}never-$n{*}" ;;
      1) header=X-Spam-Status; value="Yes, hits={>9$n}" ;;
      2) header=IMFSCL; value="{>9}" ;;
    esac
    printf 'ConditionHeader%d=%s\r\nConditionValue%d=%s\r\nAction%d=move to\r\nTarget%d=%s\r\n' \
      "$n" "$header" "$n" "$value" "$n" "$n" "http://MAIL01/Public/Archive/Old Spam"
  done
  printf 'ConditionHeader100=X-Bench-Run\r\nConditionValue100=yes\r\nAction100=move to\r\n'
  printf 'Target100=http://MAIL01/Public/Junk Mail/Quarantine\r\n'
  printf '[Quarvel PickupDir]\r\nPath=%s/pickup\r\n' "$EXSIM_ROOT"
} > "$rules"

# A new sample server with the sink installed and, unless told "bare",
# registered store-wide.
fresh_server() {
  "$bin/exsim" init --force > /dev/null
  mkdir -p "$work/sink"
  cp "$bin/Quarvel.so" "$work/sink/Quarvel.so"
  cp "$rules" "$work/sink/Quarvel.ini"
  "$bin/exsim" complus install "$work/sink/Quarvel.so" > /dev/null
  [ "${1:-}" = bare ] || "$bin/exsim" reg add --store-wide > /dev/null
}

# The seconds a command takes, wall clock and CPU (user + system), as
# "WALL CPU"; its output goes to a log. On a machine shared with other work
# the CPU time tells more than the wall clock.
seconds() {
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >> "$work/log" 2>&1 ||
    { echo "failed: $*" >&2; cat "$work/log" >&2; exit 1; }
  awk '{ print $1, $2 + $3 }' "$work/time"
}

rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }

echo "Delivering $messages messages with 100 rules (the last one moves), store-wide registration"
echo "(load average now: $(cut -d' ' -f1-3 /proc/loadavg))"
report() {  # LABEL COUNT "WALL CPU"
  local wall cpu
  read -r wall cpu <<< "$3"
  printf '  %-52s %6.2f s %7s /s   (CPU %.2f s: %s per CPU-second)\n' "$1" "$wall" \
    "$(rate "$2" "$wall")" "$cpu" "$(rate "$2" "$cpu")"
}
# The fastest of RUNS deliveries of all messages into a fresh server:
# fastest THREADS [bare]
fastest() {
  local best="" t moved
  for ((run = 0; run < runs; run++)); do
    fresh_server "${2:-}"
    t=$(seconds "$bin/exsim" deliver "$work/mail" --to Inbox --class IPM.Note --scl 5 --threads "$1")
    if [ "${2:-}" != bare ]; then
      moved=$("$bin/exsim" ls "Junk Mail/Quarantine" | wc -l)
      [ "$moved" -eq "$messages" ] || echo "  only $moved of $messages moved" >&2
    fi
    if [ -z "$best" ] || awk -v a="${t%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$t
    fi
  done
  echo "$best"
}
for threads in 1 2; do
  report "$threads thread(s)" "$messages" "$(fastest "$threads")"
done
report "baseline: no registration (the store alone), 1 thread" "$messages" "$(fastest 1 bare)"

# The first and the last thousand of one run, delivered as separate runs.
fresh_server
mkdir -p "$work/slices"
i=0
for file in "$work/mail"/*; do
  slice=$work/slices/$((i / 1000))
  mkdir -p "$slice"
  ln "$file" "$slice/"
  i=$((i + 1))
done
slices=("$work"/slices/*)
first=$(seconds "$bin/exsim" deliver "${slices[0]}" --to Inbox --class IPM.Note --scl 5)
for slice in "${slices[@]:1:${#slices[@]}-2}"; do
  "$bin/exsim" deliver "$slice" --to Inbox --class IPM.Note --scl 5 >> "$work/log" 2>&1
done
last=$(seconds "$bin/exsim" deliver "${slices[-1]}" --to Inbox --class IPM.Note --scl 5)
report "the first 1,000 of the run" 1000 "$first"
report "the last 1,000 of the run" 1000 "$last"
awk -v l="${last#* }" -v f="${first#* }" \
  'BEGIN { printf "  last/first, CPU time: %.2f\n", l / f }' 

# The SMTP service: 1,000 pickup files, each for a public folder (raising its
# store events with the same 100 rules).
fresh_server
for ((i = 0; i < 1000; i++)); do
  sample=${samples[i % ${#samples[@]}]}
  printf 'x-sender: sender@example.net\r\nx-receiver: support@example.com\r\n' |
    cat - "$sample" > "$EXSIM_ROOT/pickup/$(printf '%05d' "$i").eml"
done
t=$(seconds "$bin/exsim" smtp)
echo "exsim smtp:"
report "1,000 pickup files, each for a public folder" 1000 "$t"
