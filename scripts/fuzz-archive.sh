#!/usr/bin/env bash
# Fuzzes archive unpacking (UnZip, and FileCombine for first volumes) with
# libFuzzer for a bounded time. Inputs that crash, hang or leave a false output
# are copied into tests/archive/fuzz/regressions, which archive_tests replays.
#   FUZZ_SECONDS (default 120)  BUILD_DIR (default /tmp/build-archive-fuzz)
set -euo pipefail
LIR2ORBIT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
SOURCE_DIR=${SOURCE_DIR:-$LIR2ORBIT_ROOT}
BUILD_DIR=${BUILD_DIR:-/tmp/build-archive-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-120}
REGRESSIONS=$LIR2ORBIT_ROOT/tests/archive/fuzz/regressions
source "$LIR2ORBIT_ROOT/scripts/lib/deps.sh"
install_dependencies clang libclang-rt-14-dev

cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
  -DLIR2ORBIT_ARCHIVE_FUZZ=ON >/dev/null
cmake --build "$BUILD_DIR" --target archive_fuzzer -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
cp "$REGRESSIONS"/* "$work/corpus/"
# Well-formed seeds: a plain archive and a split one, so mutations start deep.
python3 - "$work/corpus" <<'PY'
import sys, zlib
def scramble(p):
    s = 523817; out = bytearray(p)
    for b in range(0, len(out), 16384):
        for j in range(1, min(16384, len(out) - b) + 1):
            s = (s * 134775813 + 1) & 0xffffffff
            out[b + j - 1] = (out[b + j - 1] + ((s * j) >> 32)) & 0xff
    return bytes(out)
h = bytearray(181); h[0] = 32; h[1:33] = b"QX20030412-2001-0415-QXSOFT-KTNM"; h[33] = 13; h[34:47] = b"QXLedgerSuite"
arch = bytes(h) + scramble(zlib.compress(b"voucher 0001 account 1002\r\n" * 40))
sid = bytes([40]) + b"{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}"
open(sys.argv[1] + "/seed-plain", "wb").write(arch)
cut = len(arch) // 2
open(sys.argv[1] + "/seed-split", "wb").write(
    sid + b"\x00\x00" + arch[:cut] + b"\n--volume--\n" + sid + b"\x01\x01" + arch[cut:])
PY

status=0
(cd "$work" && "$BUILD_DIR/tests/archive/archive_fuzzer" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
  -max_len=70000 -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus") || status=$?

found=0
for artifact in "$work"/artifacts/*; do
  [ -e "$artifact" ] || continue
  cp "$artifact" "$REGRESSIONS/$(basename "$artifact")"
  echo "kept $(basename "$artifact") in $REGRESSIONS"
  found=$((found + 1))
done
echo "fuzzing ran ${FUZZ_SECONDS}s: exit status $status, $found new regression input(s)"
exit $status
