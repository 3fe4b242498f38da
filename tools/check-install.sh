#!/usr/bin/env bash
# Installs a build into a fresh prefix and proves the bin directory works on
# its own: the installed exsim creates a server, the installed QuarvelSetup
# installs the sink beside it, and a delivered message is deleted by a rule
# in the rule file beside the installed Quarvel.so (so the module loads).
#
#   tools/check-install.sh [BUILD_DIR]        (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
bin=$prefix/bin

fail() {
  echo "check-install: $*" >&2
  exit 1
}

shipped=$(cd "$bin" && ls | tr '\n' ' ')
[ "$shipped" = "Quarvel.so QuarvelSetup exsim quarvel-explain " ] ||
  fail "the bin directory holds '$shipped', not the four shipped files"

export EXSIM_ROOT=$work/server
"$bin/exsim" init > /dev/null
# The setup program installs the component file from its working directory.
(cd "$bin" && ./QuarvelSetup --install) > /dev/null
"$bin/exsim" reg add --store-wide > /dev/null
cat > "$bin/Quarvel.ini" << 'RULES'
[Quarvel RuleSet1]
ConditionHeader1=IMFSCL
ConditionValue1={>8}
Action1=delete
Target1=<NULL>
TargetDisplayName1=
RULES
"$bin/quarvel-explain" rules | grep -q "IMFSCL" || fail "quarvel-explain does not read the rule file beside it"
"$bin/QuarvelSetup" --rules | grep -q "greater than 8" || fail "QuarvelSetup does not read the rule file beside it"

summary=$("$bin/exsim" deliver testdata/mail/02-clean-new-status-no.eml --to Inbox --scl 9)
[[ "$summary" == *"1 deleted"* ]] || fail "the installed sink did not act: $summary"
echo "check-install: $bin works: $summary"
