#!/usr/bin/env bash
# The package verification's one streaming pass (bench_hash_file: one
# thread, one loop of read, hash and copy), with the files in the page cache:
#   hash_time         the read and SHA-256 of a 256 MiB package against
#                     `openssl dgst -sha256` on the same file (informational);
#   copy_time         normal mode's pass, hash and private copy (under
#                     TMPDIR), against `openssl dgst -sha256 FILE && cp FILE
#                     COPY` into the same folder: one pass against two;
#   hash_peak_memory  peak resident memory of normal mode's pass on a
#                     256 MiB and on a 1 GiB package, minus the peak on a
#                     1-byte package, against 8 MiB.
# Each time is the best of several wall-clock runs, the two sides taking
# turns so both see the same machine state.
# Usage: bench/hash.sh BUILD_DIR
set -euo pipefail
build=$1
subject=$build/bench/bench_hash_file
runs=9
size=$((256 * 1024 * 1024))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/CH34xVCPDriver.pkg
out=$work/out
mkdir "$out"
head -c "$size" /dev/urandom >"$file"
cat "$file" >/dev/null

# Same digest, or the comparison means nothing.
ours=$("$subject" "$file")
theirs=$(openssl dgst -sha256 -r "$file" | cut -d' ' -f1)
copied=$(TMPDIR=$out "$subject" --copy "$file")
if [ "$ours" != "$theirs" ] || [ "$copied" != "$theirs" ] || ! cmp -s "$file" "$out"/com.orventa.DriverAssistant.*/CH34xVCPDriver.pkg; then
  echo "hash: digests or copy differ: $ours / $copied vs $theirs" >&2
  exit 1
fi
rm -rf "${out:?}"/*

ours_hash() { "$subject" "$file" >/dev/null; }
openssl_hash() { openssl dgst -sha256 "$file" >/dev/null; }
ours_copy() { TMPDIR=$out "$subject" --copy "$file" >/dev/null; }
openssl_copy() { openssl dgst -sha256 "$file" >/dev/null && cp "$file" "$out/copy.pkg"; }

# best_of NAME_A NAME_B: sets best_A and best_B to the best wall time in
# nanoseconds of $runs runs of each function; the copies are removed after
# each run, outside the timing.
best_of() {
  local a=$1 b=$2 who start elapsed var
  printf -v "best_$a" 0
  printf -v "best_$b" 0
  for _ in $(seq "$runs"); do
    for who in "$a" "$b"; do
      sync
      start=$(date +%s%N)
      "$who"
      elapsed=$(($(date +%s%N) - start))
      rm -rf "${out:?}"/*
      var=best_$who
      if [ "${!var}" -eq 0 ] || [ "$elapsed" -lt "${!var}" ]; then printf -v "$var" '%s' "$elapsed"; fi
    done
  done
}

# Set by best_of through printf -v.
best_ours_hash=0 best_openssl_hash=0 best_ours_copy=0 best_openssl_copy=0
best_of ours_hash openssl_hash
best_of ours_copy openssl_copy

# Peak resident KiB of the copy pass on FILE.
peak_kib() { TMPDIR=$out /usr/bin/time -f %M "$subject" --copy "$1" 2>&1 >/dev/null | tail -n 1; rm -rf "${out:?}"/*; }
printf x >"$work/one-byte.pkg"
# Sparse: its bytes cost no page cache and no time to make, and a read
# gives them like any others.
truncate -s 1G "$work/large.pkg"
base_kib=$(peak_kib "$work/one-byte.pkg")
file_kib=$(peak_kib "$file")
large_kib=$(peak_kib "$work/large.pkg")

awk -v o="$best_ours_hash" -v r="$best_openssl_hash" \
  'BEGIN { printf "hash_time ratio=%.3f (reference: openssl dgst -sha256 on the same 256 MiB file, %.0f ms vs %.0f ms) informational\n", o / r, o / 1e6, r / 1e6 }'
awk -v o="$best_ours_copy" -v r="$best_openssl_copy" \
  'BEGIN { printf "copy_time ratio=%.3f (reference: openssl dgst -sha256 FILE && cp FILE COPY, 256 MiB into the same folder, %.0f ms vs %.0f ms) target<=1.05\n", o / r, o / 1e6, r / 1e6 }'
awk -v b="$base_kib" -v m="$file_kib" -v g="$large_kib" \
  'BEGIN { x = (m > g ? m : g) - b; printf "hash_peak_memory ratio=%.3f (reference: 8 MiB; peak above a 1-byte package (%.1f MiB): %.2f MiB for 256 MiB, %.2f MiB for 1 GiB) target<=1.00\n", x / 8192, b / 1024, (m - b) / 1024, (g - b) / 1024 }'
