#!/usr/bin/env bash
# The archive commands of lir2orbit-cli end to end: pack, look inside, check,
# unpack, cut into volumes and gather them, refuse to overwrite without --yes,
# and say in plain words why a command failed.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 250000 /dev/urandom > input.dat
"$cli" zip input.dat whole.bak --product-version QXLedgerSuite --account-code 042 --account-name $'总部\t分公司' --level max
"$cli" info whole.bak > info.txt
grep -qx 'identification: ok' info.txt || fail "info: $(cat info.txt)"
grep -qx 'account code: 042' info.txt || fail "account code"
grep -qx 'account name before tab: 总部' info.txt || fail "name before tab"
grep -qx 'account name after tab: 分公司' info.txt || fail "name after tab"
grep -qx 'first volume of a split archive: no' info.txt || fail "split flag"
grep -q '^payload: not read' info.txt || fail "info does not say it read the header only"
if "$cli" info input.dat > /dev/null 2>&1; then fail "info accepted a non-archive"; fi
"$cli" test whole.bak > test.txt
grep -qx 'ok: 250000 bytes unpacked (product version QXLedgerSuite)' test.txt || fail "test: $(cat test.txt)"

"$cli" unzip whole.bak output.dat
cmp -s input.dat output.dat || fail "unzip differs"
if "$cli" unzip whole.bak output.dat 2> refused.txt; then fail "overwrote without --yes"; fi
grep -q '已经存在' refused.txt || fail "no overwrite question"
grep -q 'exists and replacing it was not confirmed' refused.txt || fail "no reason: $(cat refused.txt)"
"$cli" unzip whole.bak output.dat --yes 2> /dev/null
cmp -s input.dat output.dat || fail "unzip --yes differs"
if "$cli" unzip whole.bak other.dat --product-version Other 2> version.txt; then fail "wrong version accepted"; fi
grep -q '不同的Quoxel软件产品版本！' version.txt || fail "no version message"
[ ! -e other.dat ] || fail "output left for a wrong version"

# The same file under another name is refused before anything is touched.
cp input.dat keep.dat
cp whole.bak keep.bak
ln -s whole.bak link.bak
for args in "zip input.dat ./input.dat" "zip input.dat $work/input.dat" "unzip whole.bak ./whole.bak" \
            "unzip link.bak whole.bak" "unzip whole.bak link.bak"; do
  set -- $args
  extra=()
  if [ "$1" = zip ]; then extra=(--product-version QXLedgerSuite --account-code 1 --account-name n); fi
  status=0
  "$cli" "$@" "${extra[@]}" --yes 2> same.txt || status=$?
  [ "$status" = 1 ] || fail "$args: exit status $status"
  grep -q '源文件不能和目标文件文件名相同。' same.txt || fail "$args: no same-file message"
  grep -q 'are the same file' same.txt || fail "$args: $(cat same.txt)"
  cmp -s input.dat keep.dat && cmp -s whole.bak keep.bak || fail "$args touched a file"
done

mkdir vol
"$cli" zip input.dat vol/split.BAK --product-version QXLedgerSuite --account-code 042 --account-name x --level none --volume-size 100000 2> /dev/null
[ "$(ls vol)" = "$(printf 'split.BAK\nsplit.qx1\nsplit.qx2')" ] || fail "volumes: $(ls vol)"
[ "$(stat -c %s vol/split.qx1)" = 100000 ] || fail "volume size"
"$cli" info vol/split.BAK | grep -qx 'first volume of a split archive: yes' || fail "first volume not seen"
"$cli" test vol/split.BAK | grep -q '^ok: 250000 bytes' || fail "test of volumes"
"$cli" unzip vol/split.BAK joined.dat 2> /dev/null
cmp -s input.dat joined.dat || fail "joined differs"

# Two unpackings of split archives at once, each with its own temporary file.
cp -r vol vol2
"$cli" unzip vol/split.BAK twin1.dat 2> /dev/null & first=$!
"$cli" unzip vol2/split.BAK twin2.dat 2> /dev/null & second=$!
wait "$first" || fail "first of two unpackings"
wait "$second" || fail "second of two unpackings"
cmp -s input.dat twin1.dat && cmp -s input.dat twin2.dat || fail "two unpackings at once differ"
[ -z "$(ls -A "$TMPDIR")" ] || fail "temporary files left: $(ls -A "$TMPDIR")"

# Every failure says why, with exit status 1; a wrong command line gives 2.
archive_size=$(stat -c %s whole.bak)
head -c $((archive_size - 100)) whole.bak > cut.bak
python3 - <<'PY'
data = bytearray(open("whole.bak", "rb").read())
data[len(data) // 2] ^= 0x20
open("damaged.bak", "wb").write(data)
PY
: > empty.bak
mv vol/split.qx2 vol/away.qx2
exec {held}< whole.bak
flock -x "$held"  # as another process holding the archive would
while IFS='|' read -r name expected_status expected_text; do
  set -- $name
  status=0
  "$cli" "$@" > /dev/null 2> reason.txt || status=$?
  cat reason.txt >> reasons.txt
  [ "$status" = "$expected_status" ] || fail "$name: exit status $status: $(cat reason.txt)"
  grep -qF -- "$expected_text" reason.txt || fail "$name: $(cat reason.txt)"
  [ ! -e out.dat ] || fail "$name left out.dat"
done <<CASES
unzip input.dat out.dat|1|"input.dat" is not a backup archive: it does not begin with the archive identification
unzip empty.bak out.dat|1|"empty.bak" is not a backup archive: the file is empty
test input.dat|1|is not a backup archive
unzip cut.bak out.dat|1|"cut.bak" is cut short: it ends after $((archive_size - 100)) bytes
test cut.bak|1|is cut short
unzip damaged.bak out.dat|1|"damaged.bak" is damaged: its compressed data cannot be decoded
test damaged.bak|1|is damaged
unzip vol/split.BAK out.dat|1|(the volume "vol/split.qx2" was not found)
unzip missing.bak out.dat|1|Cannot open file "missing.bak": No such file or directory
unzip whole.bak out.dat|1|Cannot open file "whole.bak": it is in use by another process
test whole.bak|1|it is in use by another process
unzip vol/split.qx1 out.dat|1|is volume 2 of a split archive; unpack from the first volume
zip input.dat out.dat --product-version V --account-code 1 --account-name 😀|1|has a character outside code page 936
unzip whole.bak|2|usage: lir2orbit-cli unzip
test|2|usage: lir2orbit-cli test
zip input.dat out.dat|2|usage: lir2orbit-cli zip
CASES
exec {held}<&-
if grep -qE ': (Error|Resource temporarily unavailable|std::bad_alloc|nothing was unpacked)$' reasons.txt; then
  fail "a bare reason: $(cat reasons.txt)"
fi
echo ok
