#!/usr/bin/env bash
# lir2orbit-cli zip and unzip that cannot finish: a full disk, SIGTERM or SIGINT
# leave an existing target exactly as it was and no partial file; and memory
# stays flat however large the archive.
set -euo pipefail
cli=$1
work=$(mktemp -d)
disk=$work/disk
cleanup() {
  if mountpoint -q "$disk"; then umount "$disk"; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
export TMPDIR=$work/tmp
mkdir "$TMPDIR" "$disk"
fail() { echo "FAIL: $*" >&2; exit 1; }
header=(--product-version QXLedgerSuite --account-code 1 --account-name n)
no_partial_files() {  # directory
  ! ls -A "$1" | grep -q '\.part-' || fail "partial file left in $1: $(ls -A "$1")"
  [ -z "$(ls -A "$TMPDIR")" ] || fail "temporary file left: $(ls -A "$TMPDIR")"
}

# A full disk: a 1 MiB tmpfs where mounting is allowed (as root), else a file
# size limit, which the system reports as "File too large".
head -c 3000000 /dev/urandom > big.dat
"$cli" zip big.dat big.bak "${header[@]}" --level none
if mount -t tmpfs -o size=1m tmpfs "$disk" 2> /dev/null; then
  full='No space left on device'
  limited() { "$@"; }
else
  full='File too large'
  limited() { (ulimit -f 1000; exec "$@"); }
fi
while IFS='|' read -r name target expected; do
  set -- $name
  printf precious > "$disk/$target"
  status=0
  limited "$cli" "$@" "$disk/$target" --yes > /dev/null 2> reason.txt || status=$?
  [ "$status" = 1 ] || fail "$name: exit status $status: $(cat reason.txt)"
  grep -qF "$expected" reason.txt || fail "$name: $(cat reason.txt)"
  grep -qF "$full" reason.txt || fail "$name does not say the disk is full: $(cat reason.txt)"
  [ "$(cat "$disk/$target")" = precious ] || fail "$name changed the existing target"
  no_partial_files "$disk"
done <<CASES
zip big.dat ${header[*]} --level none|full.bak|Cannot write file "$disk/full.bak"
unzip big.bak|full.dat|Cannot write file "$disk/full.dat"
zip big.dat ${header[*]} --level none --volume-size 2000000|full.BAK|could not be written
CASES

# Stopped mid-pack by a signal: the process dies of it, the target stays as it
# was. 20 GB of zeros (a sparse file) keep it busy far longer than this waits.
truncate -s 20G sparse.dat
set -m  # background jobs keep SIGINT's default action
for signal in TERM INT; do
  printf precious > target.bak
  "$cli" zip sparse.dat target.bak "${header[@]}" --yes 2> /dev/null &
  pid=$!
  for _ in $(seq 600); do  # until the archive has begun beside the target
    if ls target.bak.part-* > /dev/null 2>&1; then break; fi
    sleep 0.1
  done
  ls target.bak.part-* > /dev/null 2>&1 || fail "SIG$signal: packing never began"
  kill -s "$signal" "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" = $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal: exit status $status"
  [ "$(cat target.bak)" = precious ] || fail "SIG$signal changed the existing target"
  no_partial_files .
done
set +m

# Flat memory: 200 MB that do not compress pack and unpack within 100 MiB of
# address space, which could not even hold the archive.
head -c 200000000 /dev/urandom > large.dat
(ulimit -v 102400; exec "$cli" zip large.dat large.bak "${header[@]}" --level none) ||
  fail "zip needs more memory"
(ulimit -v 102400; exec "$cli" unzip large.bak large.out) || fail "unzip needs more memory"
cmp -s large.dat large.out || fail "large file differs"
echo ok
