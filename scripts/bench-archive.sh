#!/usr/bin/env bash
# Packing and unpacking speed and peak memory of a large archive (compressible
# data), against plain zlib deflate and inflate of the same data, measured in
# one run.
#   PAYLOAD_MB (default 200): size of the file to pack (the unpacked payload)
#   ROUNDS (default 2): runs of each command, the fastest counts
#   BUILD_DIR (default /tmp/build-archive)  WORK_DIR (kept; default a fresh, removed mktemp -d)
# The baselines write their output with fsync, as lir2orbit-cli does before it
# renames a finished file into place: the same work, the same durability.
set -euo pipefail
LIR2ORBIT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
SOURCE_DIR=${SOURCE_DIR:-$LIR2ORBIT_ROOT}
BUILD_DIR=${BUILD_DIR:-/tmp/build-archive}
PAYLOAD_MB=${PAYLOAD_MB:-200}
ROUNDS=${ROUNDS:-2}
source "$LIR2ORBIT_ROOT/scripts/lib/deps.sh"
install_dependencies time  # /usr/bin/time for wall, CPU and peak memory
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target lir2orbit-cli -j"$(nproc)" >/dev/null
cli=$BUILD_DIR/app/cli/lir2orbit-cli

if [ -n "${WORK_DIR:-}" ]; then
  work=$WORK_DIR  # kept afterwards, for a closer look
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
cd "$work"
export TMPDIR=$work

# The plain baselines, streaming through 64 KiB buffers like any careful user of
# zlib: `deflate IN OUT` at zlib's default level (the archive's default),
# `inflate IN OUT`, and `extract ARCHIVE OUT` (not timed), which takes the zlib
# payload out of an archive.
cat > zlibtool.c <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>
static unsigned char in[65536], out[65536];
static void put(FILE *f, size_t n) { if (fwrite(out, 1, n, f) != n) exit(4); }
static int finish(FILE *f) { return fflush(f) != 0 || fsync(fileno(f)) != 0 || fclose(f) != 0; }
int main(int argc, char **argv) {
    FILE *src = fopen(argv[2], "rb"), *dst = fopen(argv[3], "wb");
    if (!src || !dst) return 3;
    z_stream zs; memset(&zs, 0, sizeof zs);
    size_t n;
    if (argv[1][0] == 'e') {
        unsigned state = 523817;
        /* Blocks count from the payload's first byte. */
        fseek(src, 181, SEEK_SET);
        while ((n = fread(in, 1, 16384, src)) > 0) {
            for (unsigned long long j = 1; j <= n; ++j) {
                state = state * 134775813u + 1u;
                in[j - 1] -= (unsigned char)(((unsigned long long)state * j) >> 32);
            }
            if (fwrite(in, 1, n, dst) != n) return 4;
        }
        return fclose(dst) != 0;
    }
    int rc;
    if (argv[1][0] == 'd') {
        deflateInit(&zs, Z_DEFAULT_COMPRESSION);
        do {
            n = fread(in, 1, sizeof in, src);
            zs.next_in = in; zs.avail_in = (uInt)n;
            int flush = n < sizeof in ? Z_FINISH : Z_NO_FLUSH;
            do {
                zs.next_out = out; zs.avail_out = sizeof out;
                rc = deflate(&zs, flush);
                put(dst, sizeof out - zs.avail_out);
            } while (zs.avail_out == 0);
        } while (rc != Z_STREAM_END);
        deflateEnd(&zs);
        return finish(dst);
    }
    inflateInit(&zs);
    do {
        n = fread(in, 1, sizeof in, src);
        if (n == 0) return 2;
        zs.next_in = in; zs.avail_in = (uInt)n;
        do {
            zs.next_out = out; zs.avail_out = sizeof out;
            rc = inflate(&zs, Z_NO_FLUSH);
            if (rc < 0 || rc == Z_NEED_DICT) return 2;
            put(dst, sizeof out - zs.avail_out);
        } while (zs.avail_out == 0 && rc != Z_STREAM_END);
    } while (rc != Z_STREAM_END);
    inflateEnd(&zs);
    return finish(dst);
}
C
cc -O2 -o zlibtool zlibtool.c -lz

echo "building a ${PAYLOAD_MB} MB input..."
python3 - "$PAYLOAD_MB" <<'PY'
import random, sys
target = int(sys.argv[1]) * 1000 * 1000
random.seed(7)
words = [b"ledger", b"account", b"voucher", b"2024-01-31", b"12345.67", b"customer", b"0000",
         b"\xd5\xcb\xcc\xd7", b"period", b"balance"] + [bytes(random.choices(b"abcdefghijklmnop0123456789", k=6)) for _ in range(300)]
chunk = b" ".join(random.choices(words, k=1_400_000)) + b"\r\n"
# Text of this kind packs to a little under a third; repeats lie far beyond zlib's window.
with open("input.dat", "wb") as f:
    left = target
    while left > 0:
        f.write(chunk[:left])
        left -= len(chunk)
PY
input_bytes=$(stat -c %s input.dat)

measure() {  # command...: prints wall seconds, CPU seconds and peak RSS in KiB
  sync  # the previous run's output is written back before the clock starts
  /usr/bin/time -f "%e %U %S %M" -o time.txt "$@"
  read -r wall user sys rss_kb < time.txt
  echo "$wall $(echo "$user + $sys" | bc) $rss_kb"
}
best() { sort -n | head -1; }  # the fastest run
pack=() deflate=() unpack=() inflate=()
for round in $(seq "$ROUNDS"); do  # alternating order on a shared machine
  rm -f archive.bak plain.zlib
  deflate+=("$(measure ./zlibtool deflate input.dat plain.zlib)")
  pack+=("$(measure "$cli" zip input.dat archive.bak --product-version QXLedgerSuite --account-code 001 --account-name bench)")
done
./zlibtool extract archive.bak payload.zlib
cmp -s payload.zlib plain.zlib || { echo "the archive's payload is not zlib's own stream"; exit 1; }
rm -f input.dat plain.zlib
for round in $(seq "$ROUNDS"); do
  rm -f out-ours.dat out-zlib.dat
  inflate+=("$(measure ./zlibtool inflate payload.zlib out-zlib.dat)")
  unpack+=("$(measure "$cli" unzip archive.bak out-ours.dat)")
done
cmp -s out-ours.dat out-zlib.dat || { echo "outputs differ"; exit 1; }
[ "$(stat -c %s out-ours.dat)" = "$input_bytes" ] || { echo "unpacked size differs"; exit 1; }
archive_bytes=$(stat -c %s archive.bak)
rm -f out-ours.dat out-zlib.dat

report() {  # label, bytes, ours..., baseline...
  python3 - "$@" <<'PY'
import sys
label, size = sys.argv[1], int(sys.argv[2])
ours_s, ours_cpu, ours_kb, base_s, base_cpu, base_kb = map(float, sys.argv[3:9])
print(f"{label}: lir2orbit-cli {ours_s:.2f} s ({size/1e6/ours_s:.1f} MB/s, CPU {ours_cpu:.2f} s, "
      f"peak RSS {ours_kb/1024:.1f} MiB); plain zlib {base_s:.2f} s (CPU {base_cpu:.2f} s, "
      f"peak RSS {base_kb/1024:.1f} MiB)")
print(f"  speed ratio: {base_s/ours_s*100:.0f}% by wall time, {base_cpu/ours_cpu*100:.0f}% by CPU time "
      f"(required: at least 70%); peak RSS within 64 MiB: {'yes' if ours_kb <= 65536 else 'NO'}")
PY
}
echo "payload ${input_bytes} bytes, archive ${archive_bytes} bytes"
read -r -a ours < <(printf '%s\n' "${pack[@]}" | best)
read -r -a base < <(printf '%s\n' "${deflate[@]}" | best)
report "pack   (zip / deflate)" "$input_bytes" "${ours[@]}" "${base[@]}"
read -r -a ours < <(printf '%s\n' "${unpack[@]}" | best)
read -r -a base < <(printf '%s\n' "${inflate[@]}" | best)
report "unpack (unzip / inflate)" "$input_bytes" "${ours[@]}" "${base[@]}"
