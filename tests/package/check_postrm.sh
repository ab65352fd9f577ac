#!/bin/sh
# check_postrm.sh POSTRM
# The package's postrm run as dpkg runs it, as root, on the very paths it
# names, but in a mount namespace of its own with an empty /var and /root
# (tmpfs), so that nothing of this machine's is seen or touched: remove
# keeps everything; purge removes the run log folder and everything under
# /var/lib/jobwarden but the task folder, says which task folders still
# hold tasks and keeps them, and removes the folders it emptied; an unknown
# argument fails. Exits 77 where it cannot make the namespace (not root, or
# a container that forbids it).
set -u
postrm=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

if [ "${2:-}" != --inside ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare --mount true 2>/dev/null; then
    echo "cannot make a mount namespace here (needs root and unshare --mount): postrm not run"
    exit 77
  fi
  exec unshare --mount sh "$0" "$postrm" --inside
fi

mount -t tmpfs tmpfs /var && mount -t tmpfs tmpfs /root || exit 1
scratch=$(mktemp -d /tmp/jobwarden-postrm.XXXXXX) || exit 1
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# What is left of the service's folders and root's, one path a line.
left() { find /var /root -mindepth 1 | LC_ALL=C sort; }

# expect WHAT ARGUMENT STATUS LEFT ERROR: runs postrm ARGUMENT.
expect() {
  status=0
  "$postrm" "$2" >"$scratch/out" 2>"$scratch/err" || status=$?
  [ "$status" -eq "$3" ] || fail "$1: postrm $2 exited $status, not $3"
  [ "$(left)" = "$4" ] || fail "$1: postrm $2 left:
$(left)"
  [ "$(cat "$scratch/out" "$scratch/err")" = "$5" ] || fail "$1: postrm $2 said: $(cat "$scratch/out" "$scratch/err")"
}

mkdir -p /var/lib/jobwarden/tasks /var/lib/jobwarden/running /var/lib/jobwarden/output \
  /var/log/jobwarden /root/.local/share/jobwarden/tasks /root/.local/state/jobwarden
touch /var/lib/jobwarden/tasks/Backup.job /var/lib/jobwarden/running/lock \
  /var/lib/jobwarden/output/Backup.job-1.out /var/lib/jobwarden/last-run \
  /var/lib/jobwarden/.note /var/log/jobwarden/run.log /var/log/jobwarden/run.log.1 \
  /root/.local/share/jobwarden/tasks/Old.JOB /root/.local/state/jobwarden/run.log
# A link is removed, never followed.
ln -s /root/.local /var/lib/jobwarden/link
made=$(left)
expect "remove" remove 0 "$made" ""
expect "an unknown argument" bogus 1 "$made" "postrm called with unknown argument 'bogus'"
expect "purge" purge 0 "$(echo "$made" | grep -Ev '^/var/(log/|lib/jobwarden/[^t])')" "jobwarden: /var/lib/jobwarden/tasks still holds tasks; they are kept (remove the folder to delete them)
jobwarden: /root/.local/share/jobwarden/tasks still holds tasks; they are kept (remove the folder to delete them)"

rm /var/lib/jobwarden/tasks/Backup.job /root/.local/share/jobwarden/tasks/Old.JOB
mkdir -p /var/lib/jobwarden/running
expect "purge, no tasks left" purge 0 "$(left | grep -v '^/var/lib/')" ""
expect "purge, nothing there" purge 0 "$(left)" ""

echo "postrm: $failures problem(s)"
[ "$failures" -eq 0 ]
