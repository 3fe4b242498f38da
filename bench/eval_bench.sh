#!/usr/bin/env bash
# End-to-end speed and memory of the dry run: `quarvel-explain eval --json`
# over COUNT real-looking messages (made from the sample mail of
# testdata/mail, each with its own relay chain, signature, subject, score and
# body), with a rule file of 1 rule and one of 100 rules, pinned to one core.
# The baseline, measured in the same run, is reading the same files with cat.
#
#   bench/eval_bench.sh [BUILD_BIN_DIR] [COUNT]      (defaults: build/bin 10000)
#
# Prints, for each run, the elapsed time and messages per second, the CPU
# time and messages per CPU second (the fair figure on a busy machine), and
# the peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${1:-build/bin}
count=${2:-10000}
explain=$bin/quarvel-explain
[ -x "$explain" ] || { echo "no $explain: build it first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/mail"

echo "== Making $count messages in $work/mail"
# Every message is one of the samples with a fresh envelope around the same
# content: 2 to 6 Received hops, a folded DKIM signature, its own Message-ID,
# subject suffix and spam score, and a body of 1 to 40 KB.
LC_ALL=C awk -v count="$count" -v dir="$work/mail" '
  FNR == 1 { sample++; inBody[sample] = 0 }
  {
    line = $0
    sub(/\r$/, "", line)
    if (!inBody[sample] && line == "") { inBody[sample] = 1; next }
    if (inBody[sample]) body[sample] = body[sample] line "\r\n"
    else head[sample] = head[sample] line "\r\n"
  }
  END {
    srand(8)
    filler = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor.\r\n"
    for (i = 1; i <= count; i++) {
      s = (i - 1) % sample + 1
      file = sprintf("%s/%06d.eml", dir, i)
      hops = 2 + int(rand() * 5)
      out = ""
      for (h = 1; h <= hops; h++) {
        out = out sprintf("Received: from relay%d.example.net (relay%d.example.net [198.51.100.%d])\r\n\tby mx%d.example.com (Postfix) with ESMTPS id %08X\r\n\tfor <inbox@example.com>; Mon, 7 Dec 2026 %02d:%02d:%02d +0000\r\n", h, h, (i + h) % 250, h, i * 7919 + h, h, i % 60, (i * 13) % 60)
      }
      out = out "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.net; s=mail;\r\n"
      out = out sprintf("\tt=%d; bh=%08Xq2XUf1Oh3Hd0G9n4dJQ+Yt0u5Z8kq1w=;\r\n", 1796000000 + i, i)
      out = out "\th=From:To:Subject:Date:Message-ID:MIME-Version:Content-Type;\r\n"
      out = out sprintf("\tb=%08XabcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+/abcdefghij\r\n\t klmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+/abcdefghijklmnopqrstuv==\r\n", i)
      n = split(head[s], lines, "\r\n")
      for (k = 1; k < n; k++) {
        l = lines[k]
        if (l ~ /^Message-ID:/) l = sprintf("Message-ID: <%d.%d@relay.example.net>", i, s)
        else if (l ~ /^Subject:/ && l !~ /=\?/) l = l sprintf(" #%d", i)
        else if (l ~ /^X-Spam-Status: Yes, score=/) l = sprintf("X-Spam-Status: Yes, score=%d.%d required=5.0 tests=BAYES_99,HTML_MESSAGE", 5 + i % 5, i % 10)
        out = out l "\r\n"
      }
      out = out sprintf("List-Unsubscribe: <mailto:leave-%d@lists.example.net>\r\n\r\n", i)
      out = out body[s]
      repeat = 10 + int(rand() * 500)
      for (r = 0; r < repeat; r++) out = out filler
      printf "%s", out > file
      close(file)
    }
  }' testdata/mail/[0-9]*.eml
echo "   $(du -sh "$work/mail" | cut -f1) in $count files"

# One rule, as a small site has it.
cat > "$work/rules-1.ini" <<'EOF'
[Quarvel RuleSet1]
ConditionHeader1=X-Spam-Flag
ConditionValue1=YES
Action1=move to
Target1=http://MAIL01/Public/Junk Mail
[Quarvel PickupDir]
Path=/var/spool/quarvel/pickup
EOF

# A hundred rules of every kind; most messages pass most of them.
{
  echo "[Quarvel RuleSet1]"
  for n in $(seq 1 99); do
    case $((n % 6)) in
      0) header=Subject value="{*}offer no. $n{*}" ;;
      1) header=X-Spam-Status value="Yes, score={>$((n % 20 + 10)).5}{*}" ;;
      2) header=From value="list-$n@" ;;
      3) header=IMFSCL value="{>$((n % 3 + 9))}" ;;
      4) header=X-Mailer value="Bulk Mailer $n" ;;
      5) header=Return-Path value="<bounce-$n@{*}" ;;
    esac
    echo "ConditionHeader$n=$header"
    echo "ConditionValue$n=$value"
    echo "Action$n=move to"
    echo "Target$n=http://MAIL01/Public/Junk Mail/Rule $n"
    echo "TargetDisplayName$n=Rule $n"
  done
  echo "ConditionHeader100=X-Spam-Flag"
  echo "ConditionValue100=YES"
  echo "Action100=move to"
  echo "Target100=http://MAIL01/Public/Junk Mail"
  echo "[Quarvel PickupDir]"
  echo "Path=/var/spool/quarvel/pickup"
} > "$work/rules-100.ini"

measure() {  # label, command...
  local label=$1
  shift
  taskset -c 0 /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" > "$work/out"
  read -r wall user sys rss < "$work/time"
  awk -v label="$label" -v wall="$wall" -v user="$user" -v sys="$sys" -v rss="$rss" \
      -v count="$count" 'BEGIN {
        cpu = user + sys
        rate = (wall > 0) ? count / wall : 0
        cpuRate = (cpu > 0) ? count / cpu : 0
        printf "%-20s %6.2f s %8.0f messages/s | cpu %5.2f s %8.0f messages/cpu-s | peak %5.1f MB\n",
               label, wall, rate, cpu, cpuRate, rss / 1024
      }'
}

echo "== One core, $count messages"
measure "baseline: cat" cat "$work"/mail/*.eml
measure "eval, 1 rule" "$explain" eval --json --scl 5 --rules "$work/rules-1.ini" "$work/mail"
grep -c '"outcome":"move"' "$work/out" | sed 's/^/   moves: /'
measure "eval, 100 rules" "$explain" eval --json --scl 5 --rules "$work/rules-100.ini" "$work/mail"
grep -o '"outcome":"[a-z]*"' "$work/out" | sort | uniq -c | sed 's/^/   /'
measure "eval, 100 rules -v" "$explain" eval --json --verbose --scl 5 --rules "$work/rules-100.ini" "$work/mail"
