#!/usr/bin/env bash
# Hashing a 256 MiB package: the verification's own read and SHA-256
# (bench_hash_file) against `openssl dgst -sha256` on the same file, both
# with the file in the page cache. Prints the ratio of the best of several
# wall-clock times, and the peak resident memory as a multiple of the file
# size.
# Usage: bench/hash.sh BUILD_DIR
set -euo pipefail
build=$1
subject=$build/bench/bench_hash_file
runs=7
size=$((256 * 1024 * 1024))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/CH34xVCPDriver.pkg
head -c "$size" /dev/urandom >"$file"
cat "$file" >/dev/null

# Same digest, or the comparison means nothing.
ours=$("$subject" "$file")
theirs=$(openssl dgst -sha256 -r "$file" | cut -d' ' -f1)
if [ "$ours" != "$theirs" ]; then
  echo "hash: digests differ: $ours vs $theirs" >&2
  exit 1
fi

# Best wall time in nanoseconds of $runs runs of the command, the two
# commands taking turns so both see the same machine state.
best_ours=0 best_openssl=0
for _ in $(seq "$runs"); do
  for who in ours openssl; do
    start=$(date +%s%N)
    if [ "$who" = ours ]; then "$subject" "$file" >/dev/null; else openssl dgst -sha256 "$file" >/dev/null; fi
    elapsed=$(($(date +%s%N) - start))
    var=best_$who
    if [ "${!var}" -eq 0 ] || [ "$elapsed" -lt "${!var}" ]; then printf -v "$var" '%s' "$elapsed"; fi
  done
done

peak_kib=$(/usr/bin/time -f %M "$subject" "$file" 2>&1 >/dev/null | tail -n 1)

awk -v o="$best_ours" -v r="$best_openssl" \
  'BEGIN { printf "hash_time ratio=%.3f (reference: openssl dgst -sha256 on the same 256 MiB file, %.0f ms vs %.0f ms) target<=1.05\n", o / r, o / 1e6, r / 1e6 }'
awk -v k="$peak_kib" -v s="$size" \
  'BEGIN { printf "hash_peak_memory ratio=%.3f (reference: the file size, 256 MiB; peak resident %.1f MiB) target<=1.1\n", k * 1024 / s, k / 1024 }'
