#!/usr/bin/env bash
# The command runner: start cost, capture throughput and peak memory.
# Usage: bench/runner.sh BUILD_DIR
set -euo pipefail
build=$1
subject=$build/bench/runner_bench
# Just past a power of two, where a buffer that doubles would hurt most.
size=$((256 * 1024 * 1024 + 100))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 256 MiB and 100 bytes of well-formed UTF-8, mostly ASCII with two- and three-byte
# characters, as tool output would be; in the page cache before timing.
file=$work/output.txt
/usr/bin/python3 - "$file" "$size" <<'PY'
import sys
line = "cn.wch.CH34xVCPDriver (1.0/1) [activated enabled] \u2013 Gr\u00fc\u00dfe, \u65e5\u672c\u8a9e \u20ac\n".encode()
block = line * (4096 // len(line))
block += b"." * (4096 - len(block) - 1) + b"\n"
size = int(sys.argv[2])
with open(sys.argv[1], "wb") as f:
    for _ in range(size // len(block)):
        f.write(block)
    f.write(b"x" * (size % len(block) - 1) + b"\n")
PY
[ "$(stat -c %s "$file")" -eq "$size" ]
cat "$file" >/dev/null

read -r ours bare < <("$subject" start 500)
awk -v o="$ours" -v r="$bare" \
  'BEGIN { printf "runner_start ratio=%.3f (reference: 500 bare posix_spawn + waitpid of /bin/true in the same process, %.0f ms vs %.0f ms) target<=1.15\n", o / r, o * 1e3, r * 1e3 }'

read -r ours null pipe < <("$subject" capture "$file")
# The capture against the floor any capture pays: the same bytes through a
# pipe whose reader throws them away.
awk -v o="$ours" -v r="$pipe" \
  'BEGIN { printf "runner_throughput_over_bare_pipe ratio=%.3f (reference: the same cat of 256 MiB + 100 bytes into a pipe read and thrown away, %.0f ms vs %.0f ms) target<=1.5\n", o / r, o * 1e3, r * 1e3 }'
# Not a target: a pipe cannot reach the speed of writing to /dev/null.
awk -v o="$ours" -v r="$null" \
  'BEGIN { printf "runner_throughput ratio=%.3f (reference: the same cat writing to /dev/null, %.0f ms vs %.0f ms) informational\n", o / r, o * 1e3, r * 1e3 }'

peak_kib=$(/usr/bin/time -f %M "$subject" keep "$file" 2>&1 >/dev/null | tail -n 1)
awk -v k="$peak_kib" -v s="$size" \
  'BEGIN { printf "runner_peak_memory ratio=%.3f (reference: the output size, 256 MiB + 100 bytes of UTF-8; peak resident %.1f MiB) target<=1.3\n", k * 1024 / s, k / 1024 }'
