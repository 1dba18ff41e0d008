#!/usr/bin/env bash
# The archive commands of lir2orbit-cli end to end: pack, look inside, unpack,
# cut into volumes and gather them, refuse to overwrite without --yes.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR=$work
fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 250000 /dev/urandom > input.dat
"$cli" zip input.dat whole.bak --product-version QXLedgerSuite --account-code 042 --account-name $'总部\t分公司' --level max
"$cli" info whole.bak > info.txt
grep -qx 'identification: ok' info.txt || fail "info: $(cat info.txt)"
grep -qx 'account code: 042' info.txt || fail "account code"
grep -qx 'account name before tab: 总部' info.txt || fail "name before tab"
grep -qx 'account name after tab: 分公司' info.txt || fail "name after tab"
grep -qx 'first volume of a split archive: no' info.txt || fail "split flag"
if "$cli" info input.dat > /dev/null; then fail "info accepted a non-archive"; fi

"$cli" unzip whole.bak output.dat
cmp -s input.dat output.dat || fail "unzip differs"
if "$cli" unzip whole.bak output.dat 2> refused.txt; then fail "overwrote without --yes"; fi
grep -q '已经存在' refused.txt || fail "no overwrite question"
"$cli" unzip whole.bak output.dat --yes
if "$cli" unzip whole.bak other.dat --product-version Other 2> version.txt; then fail "wrong version accepted"; fi
grep -q '不同的Quoxel软件产品版本！' version.txt || fail "no version message"
[ ! -e other.dat ] || fail "output left for a wrong version"

mkdir vol
"$cli" zip input.dat vol/split.BAK --product-version QXLedgerSuite --account-code 042 --account-name x --level none --volume-size 100000 2> /dev/null
[ "$(ls vol)" = "$(printf 'split.BAK\nsplit.qx1\nsplit.qx2')" ] || fail "volumes: $(ls vol)"
[ "$(stat -c %s vol/split.qx1)" = 100000 ] || fail "volume size"
"$cli" info vol/split.BAK | grep -qx 'first volume of a split archive: yes' || fail "first volume not seen"
"$cli" unzip vol/split.BAK joined.dat 2> /dev/null
cmp -s input.dat joined.dat || fail "joined differs"
rm vol/split.qx2
if "$cli" unzip vol/split.BAK partial.dat 2> /dev/null; then fail "incomplete volumes unpacked"; fi
[ ! -e partial.dat ] || fail "partial output left"
echo ok
