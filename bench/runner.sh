#!/usr/bin/env bash
# The tool runner: start cost, capture throughput and peak memory.
#   runner_start          500 runs of /usr/bin/true against 500 bare posix_spawn
#                         + waitpid calls;
#   runner_capture        a 12 MiB listing read through run() against a bare
#                         pipe read of the same cat in the same process, each
#                         repeated until it has taken a second: the cost is
#                         linear, and small next to the pipe's;
#   runner_peak_memory    peak resident memory of that run, minus that of a
#                         run whose listing is one line, against twice the
#                         listing;
#   runner_endless_memory a tool that writes without end, stopped at the
#                         output limit: its peak above the one-line run's,
#                         against 40 MiB.
# Usage: bench/runner.sh BUILD_DIR
set -euo pipefail
build=$1
subject=$build/bench/runner_bench
size=$((12 * 1024 * 1024))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 12 MiB of well-formed UTF-8 in lines like an extension listing's, with two-
# and three-byte characters on every line; in the page cache before timing.
file=$work/listing.txt
/usr/bin/python3 - "$file" "$size" <<'PY'
import sys
line = "cn.wch.CH34xVCPDriver (1.0/1) [activated enabled] \u2013 Gr\u00fc\u00dfe, \u65e5\u672c\u8a9e \u20ac\n".encode()
size = int(sys.argv[2])
data = line * (size // len(line))
data += b"x" * (size - len(data) - 1) + b"\n"
with open(sys.argv[1], "wb") as f:
    f.write(data)
PY
[ "$(wc -c <"$file")" -eq "$size" ]
cat "$file" >/dev/null
one_line=$work/one-line.txt
head -n 1 "$file" >"$one_line"

read -r ours bare < <("$subject" start 500)
awk -v o="$ours" -v r="$bare" \
  'BEGIN { printf "runner_start ratio=%.3f (reference: 500 bare posix_spawn + waitpid of /usr/bin/true in the same process, %.0f ms vs %.0f ms) target<=1.15\n", o / r, o * 1e3, r * 1e3 }'

read -r ours pipe < <("$subject" capture "$file")
awk -v o="$ours" -v r="$pipe" \
  'BEGIN { printf "runner_capture ratio=%.3f (reference: the same cat of a 12 MiB listing into a bare pipe read in the same process, %.2f ms vs %.2f ms a run) target<=3\n", o / r, o * 1e3, r * 1e3 }'

peak_kib() { /usr/bin/time -f %M "$subject" "$@" 2>&1 >/dev/null | tail -n 1; }
base_kib=$(peak_kib keep "$one_line")
listing_kib=$(peak_kib keep "$file")
endless_out=$("$subject" endless)
case $endless_out in
  "7 /usr/bin/yes wrote more than 16 MiB of output.") ;;
  *) echo "runner: the endless tool ended otherwise: $endless_out" >&2; exit 1 ;;
esac
endless_kib=$(peak_kib endless)
awk -v b="$base_kib" -v k="$listing_kib" -v s="$size" \
  'BEGIN { printf "runner_peak_memory ratio=%.3f (reference: twice the 12 MiB listing; peak above a one-line run (%.1f MiB): %.1f MiB) target<=1.00\n", (k - b) * 1024 / (2 * s), b / 1024, (k - b) / 1024 }'
awk -v b="$base_kib" -v k="$endless_kib" \
  'BEGIN { printf "runner_endless_memory ratio=%.3f (reference: 40 MiB; a tool writing without end, stopped at the output limit: %.1f MiB above a one-line run) target<=1.00\n", (k - b) / (40 * 1024), (k - b) / 1024 }'
