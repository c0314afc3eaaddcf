#!/usr/bin/env bash
# The memory of quillon-cli's bit error rate test with a report, on a
# simulated mo2300 cartridge with one byte in a hundred wrong: every burst
# line goes to the report as it comes, so the peak memory must not grow with
# the number of lines. Two runs, the second with eight times the blocks.
#
#   ber_report_memory.sh QUILLON_CLI [MAX-GROWTH-KIB]
#
# Prints each run's burst lines and peak memory (GNU time's maximum resident
# set size); exit status 0 when the second run's peak exceeds the first's by
# at most MAX-GROWTH-KIB (default 4096), 1 otherwise, 77 without GNU time.
set -uo pipefail

[[ $# -ge 1 && -x $1 ]] || { echo "usage: $0 QUILLON_CLI [MAX-GROWTH-KIB]" >&2; exit 2; }
cli=$1
limit=${2:-4096}
[[ -x /usr/bin/time ]] || { echo "SKIP: GNU time is not installed (Debian: time)" >&2; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peaks=()
for end in 10000 80000; do
    /usr/bin/time -o "$work/time" -f %M "$cli" --simulate=2=mo2300:error-rate=0.01 ber 0:2:0 \
        --start 0 --end "$end" --skip 0 --report "$work/report.json" >"$work/log" 2>/dev/null
    lines=$(grep -c '^LBA' "$work/log")
    peak=$(tail -n 1 "$work/time")
    printf 'blocks 0-%d: %d burst lines, peak %d KiB\n' "$end" "$lines" "$peak"
    peaks+=("$peak")
done
growth=$((peaks[1] - peaks[0]))
echo "growth: $growth KiB (limit $limit KiB)"
[[ $growth -le $limit ]]
