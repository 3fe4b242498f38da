#!/usr/bin/env bash
# The main job on the simulated server, from nothing: build, create a sample
# server, install the sink with the setup program and register it, write a
# rule file, deliver the sample mail, run the SMTP service, and show what
# became of every message; then check the rule file and put one quarantined
# message back where it was delivered.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default > /dev/null
cmake --build --preset default --target Quarvel exsim quarvel-explain quarvel-demo QuarvelSetup

root=${QUARVEL_DEMO_ROOT:-$PWD/demo-server}
export EXSIM_ROOT=$root
bin=$PWD/build/bin

echo "== A sample server in $root"
"$bin/exsim" init --force

echo "== The sink, with its own rule file beside it"
mkdir -p "$root/sink"
cp "$bin/Quarvel.so" "$root/sink/Quarvel.so"
sed "s|^Path=.*|Path=$root/pickup|" testdata/demo-rules.ini > "$root/sink/Quarvel.ini"
# The setup program installs the component file from its working directory.
(cd "$root/sink" && "$bin/QuarvelSetup" --install)
"$bin/exsim" reg add --store-wide
"$bin/quarvel-explain" rules "$root/sink/Quarvel.ini"

echo "== Delivering the sample mail"
"$bin/quarvel-demo" --root "$root" --mail testdata/mail
"$bin/quarvel-explain" lint --root "$root" "$root/sink/Quarvel.ini"

echo "== Restoring one quarantined message to the folder it was delivered to"
(cd "$root/sink" && "$bin/QuarvelSetup" --restore "Junk Mail/Quarantine" --match "Pre-approved")
"$bin/exsim" ls Sales
