#!/usr/bin/env bash
# The README's commands as a new user types them, on a start folder made as ./run makes
# the demo: the program folder completed (twice, keeping what is there), the watch
# example, the tools' help, and ./run refusing a missing folder before it builds.
#   readme_commands.sh ROOT TAVCLI UIDRIVER LOCKSERVER
set -euo pipefail
root=$1 tavcli=$2 uidriver=$3 lockserver=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

start=$work/start
mkdir -p "$start/data" "$start/prog"
printf '%s\r\n' "$start/data/" > "$start/data.adr"
printf '%s\r\n' "$start/prog/" > "$start/prog.adr"
(cd "$start" && "$tavcli" job set --in "$start/" UZIVATEL 01) || fail "job set"

# The program folder: everything the program reads, and a second run that keeps what is there.
mkdir "$start/prog/ci"                         # a folder copied from Windows in another case
printf 'own\r\n' > "$start/prog/ci/ci.hlp"
"$root/tools/install-prog" "$start/prog" || fail "install-prog"
for f in dlib/ci14.pol dlib/fma2014.pol dlib/obce.pol dlib/org.pol dlib/JHCis.pol \
         2/norm.fnt 2/12zn.fnt 2/cond.fnt ci/ORG.hlp; do
  [ -s "$start/prog/$f" ] || fail "install-prog left out $f"
done
[ -d "$start/prog/MZ8/JMHZ" ] && [ -d "$start/prog/NAVODY" ] || fail "install-prog left out a folder"
[ ! -e "$start/prog/CI" ] || fail "install-prog made CI beside ci"
[ "$(cat "$start/prog/ci/ci.hlp")" = $'own\r' ] || fail "install-prog overwrote ci/ci.hlp"
printf 'Height : -40\r\n' > "$start/prog/2/cond.fnt"
before=$(cd "$start/prog" && find . -type f | sort | xargs md5sum)
"$root/tools/install-prog" "$start/prog" || fail "install-prog, second run"
after=$(cd "$start/prog" && find . -type f | sort | xargs md5sum)
[ "$before" = "$after" ] || fail "a second install-prog changed the program folder"
if "$root/tools/install-prog" "$work/none" 2>/dev/null; then fail "install-prog took a missing folder"; fi

# The watch example, run in the start folder: the slot table of the data folder changes.
(cd "$start" && "$tavcli" userslot set 1 0) || fail "userslot set"
[ -f "$start/data/UZIVATEL.tab" ] || fail "userslot set wrote no UZIVATEL.tab in the data folder"
[ ! -e "$start/UZIVATEL.tab" ] || fail "userslot set wrote UZIVATEL.tab into the start folder"

# The lock server's address in the data folder's job file, named by drive as the README has it:
# in the start folder, whose drives.map knows X:; a Linux path from anywhere.
grep -qF "(cd /srv/ucto/start && /path/to/build/tools/tavcli/tavcli job set --in 'X:\DATA\' SERVER1 10.0.0.5)" \
  "$root/README.md" || fail "the README's server example does not run in the start folder"
mkdir -p "$work/x/DATA"
printf 'X: %s\n' "$work/x" > "$start/drives.map"
(cd "$start" && "$tavcli" job set --in 'X:\DATA\' SERVER1 10.0.0.5) || fail "job set SERVER1 in the start folder"
[ "$(cd "$start" && "$tavcli" job get --in 'X:\DATA\' SERVER1)" = "10.0.0.5" ] || fail "SERVER1 not stored"
if (cd "$work" && "$tavcli" job set --in 'X:\DATA\' SERVER1 10.0.0.6 2>/dev/null); then
  fail "X: was known outside the start folder"
fi
(cd "$work" && "$tavcli" job set --in "$work/x/DATA/" SERVER1 10.0.0.7) || fail "job set with a Linux path"
[ "$(cd "$start" && "$tavcli" job get --in 'X:\DATA\' SERVER1)" = "10.0.0.7" ] || fail "SERVER1 by Linux path not stored"
rm "$start/drives.map"

"$tavcli" --help >/dev/null || fail "tavcli --help"
"$uidriver" --help >/dev/null || fail "uidriver --help"
"$uidriver" --list | grep -qx "TfOrg \[FILE\]" || fail "uidriver --list"
"$lockserver" --help >/dev/null || fail "lockserver --help"

# A lock a killed run left in FOT.tab: another workstation sees it until `tavcli unlock`,
# run in the start folder of the workstation that held it, clears it (as the README says).
grep -q "tavcli unlock 'X:" "$root/README.md" || fail "the README does not say how to clear a lock entry"
other=$work/other
mkdir -p "$other"
cp "$start/data.adr" "$start/prog.adr" "$other/"
(cd "$other" && "$tavcli" job set --in "$other/" UZIVATEL 02) || fail "job set for the other workstation"
(cd "$start" && "$tavcli" lock W "$start/data/CI10.DTA") >/dev/null || fail "lock"
held=$(cd "$other" && "$tavcli" ifvolny "$start/data/CI10.DTA")
[ "${held:0:4}" = "W 01" ] || fail "the other workstation sees no lock: '$held'"
(cd "$start" && "$tavcli" unlock "$start/data/CI10.DTA") || fail "unlock"
held=$(cd "$other" && "$tavcli" ifvolny "$start/data/CI10.DTA")
[ -z "$held" ] || fail "the lock stayed after unlock: '$held'"

# The lock server for other workstations needs --bind; the benches are built by ./setup.
grep -q -- "lockserver --bind 0.0.0.0 --port 5050" "$root/README.md" || fail "the README's lock server listens on 127.0.0.1 only"
grep -q -- "--bind ADDR" <("$lockserver" --help 2>&1) || fail "lockserver --help names no --bind"
benches=$("$root/bench/run" 1 "$work/no-build")
[ "$(grep -c "skipped (not built: ./setup builds it)" <<<"$benches")" -eq "$(grep -c . <<<"$benches")" ] ||
  fail "bench/run does not say what builds a missing bench: $benches"
grep -q '`./setup` (or `./test`) builds them' "$root/README.md" || fail "the README does not say what builds the benches"

# ./run with a folder that is not there says so at once, before building anything.
if out=$("$root/run" "$work/no such folder" 2>&1); then fail "./run took a missing folder"; fi
[ "$out" = "run: no folder $work/no such folder" ] || fail "./run said: $out"
echo "README commands work"
