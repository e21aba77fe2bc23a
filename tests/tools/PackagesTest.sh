#!/bin/sh
# Runs the real ensure_packages of tools/packages.sh under "set -e", as run.sh and test.sh do, against
# stand-ins for dpkg-query, apt-get and id on PATH: a missing package is installed when run as root,
# and without root the one install command is printed and the call fails. Nothing on the machine is
# installed or removed.
# Usage: PackagesTest.sh SOURCE_DIR
set -u
source_dir=$1
. "$(dirname "$0")/../support/ScratchFolder.sh"

mkdir "$work/bin"
# The package database: "name status" lines, the last one of a package counting.
printf 'cmake installed\nold-tool config-files\n' >"$work/status"
cat >"$work/bin/dpkg-query" <<STANDIN
#!/bin/sh
# Called as: dpkg-query -W -f=FORMAT PACKAGE
for package; do :; done
status=\$(awk -v p="\$package" '\$1 == p { s = \$2 } END { print s }' "$work/status")
if [ -z "\$status" ]; then
    echo "dpkg-query: no packages found matching \$package" >&2
    exit 1
fi
printf '%s' "\$status"
STANDIN
cat >"$work/bin/apt-get" <<STANDIN
#!/bin/sh
echo "apt-get \$*" >>"$work/apt.log"
if [ "\$1" = install ]; then
    for argument; do
        case "\$argument" in install|-*) ;; *) echo "\$argument installed" >>"$work/status" ;; esac
    done
fi
STANDIN
cat >"$work/bin/id" <<STANDIN
#!/bin/sh
cat "$work/uid"
STANDIN
chmod +x "$work/bin/dpkg-query" "$work/bin/apt-get" "$work/bin/id"

ensure() {
    PATH="$work/bin:$PATH" sh -e -c '. "$1/tools/packages.sh"; ensure_packages cmake new-lib old-tool; echo after' \
        ensure "$source_dir" >"$work/out.log" 2>"$work/err.log"
}

# Without root: one line to run, a failure, and nothing installed.
echo 1000 >"$work/uid"
ensure && fail "ensure_packages succeeded without root while packages are missing"
grep -qx "  sudo apt-get install -y new-lib old-tool" "$work/err.log" || fail "no sudo line for the missing packages"
[ ! -e "$work/apt.log" ] || fail "apt-get ran without root"

# As root: both missing packages (one never installed, one removed with its settings kept) are
# installed and the caller goes on.
echo 0 >"$work/uid"
ensure || fail "ensure_packages failed as root"
grep -qx "after" "$work/out.log" || fail "the caller did not go on after installing"
grep -q "^apt-get install .* new-lib old-tool$" "$work/apt.log" || fail "apt-get was not asked for new-lib and old-tool"
grep -q "^apt-get update" "$work/apt.log" || fail "the package lists were not updated first"

# Once everything is there, nothing is installed again.
rm "$work/apt.log"
ensure || fail "ensure_packages failed with every package present"
[ ! -e "$work/apt.log" ] || fail "apt-get ran although nothing was missing"
echo "ensure_packages: passed"
