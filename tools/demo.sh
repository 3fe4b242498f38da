#!/usr/bin/env bash
# The main job on the simulated server, from nothing: build, create a sample
# server, install the sink with the setup program and register it store-wide
# through it, write a rule file, deliver the sample mail, run the SMTP
# service, and show what became of every message; register it in one folder
# only and show that the sink runs there and nowhere else; then check the
# rule file and put one quarantined message back where it was delivered.
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
# The setup program lives beside the sink, as an installation has it: it
# edits the rule file beside itself and installs the component file from its
# working directory.
cp "$bin/QuarvelSetup" "$root/sink/QuarvelSetup"
setup=$root/sink/QuarvelSetup
(cd "$root/sink" && "$setup" --install)
(cd "$root/sink" && "$setup" --register-store-wide) | head -n 1
"$bin/quarvel-explain" rules "$root/sink/Quarvel.ini"

echo "== Delivering the sample mail"
"$bin/quarvel-demo" --root "$root" --mail testdata/mail

echo "== Per folder: the setup program registers the sink in Sales only"
cd "$root/sink"
"$setup" --unregister-store-wide > /dev/null
"$setup" --register Sales
# Batch mode re-applies the registration as it stands and changes nothing here.
"$setup" -b
spam=$OLDPWD/testdata/mail/17-scl9-no-spam-headers.eml
for folder in Sales Inbox "Sales/Leads"; do
  echo "-- SCL 9 mail delivered to $folder:"
  "$bin/exsim" deliver --to "$folder" --scl 9 "$spam"
done
"$bin/exsim" log | tail -n 9

echo "== Checking the rule file"
"$bin/quarvel-explain" lint --root "$root" "$root/sink/Quarvel.ini"

echo "== Restoring one quarantined message to the folder it was delivered to"
(cd "$root/sink" && "$setup" --restore "Junk Mail/Quarantine" --match "Pre-approved")
"$bin/exsim" ls Sales
