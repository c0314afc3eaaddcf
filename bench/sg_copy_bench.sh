#!/usr/bin/env bash
# quillon-cli's copy-drive and verify against sg3_utils' sg_dd and sg_verify,
# in one QEMU boot with two virtio-scsi disks of 512-byte blocks: the same
# blocks copied between the two sg nodes at 194 blocks per command, and
# verified at 255 blocks per command. Each pair takes turns for several rounds
# so that a change of load on the machine falls on both. The figure that
# counts is the median of the ratios of the turns run back to back, which
# share the machine's load of the moment; the ratio of the best turns is shown
# too. The disks are large enough that the steady rate, not the start of the
# programs, decides: under emulation quillon-cli takes a seventh of a second
# to load its libraries (printed as its start-up time), against a millisecond
# or two on a real machine.
#
#   sg_copy_bench.sh QUILLON_CLI [MIB]
#
# MIB is the size of each disk (default 1024). Prints the times and ratios;
# exit status 0 when quillon-cli reaches 90 % of sg3_utils' throughput in both,
# 1 when not, 77 when QEMU, a kernel or sg3_utils is missing.
set -uo pipefail

[[ $# -ge 1 && -x $1 ]] || { echo "usage: $0 QUILLON_CLI [MIB]" >&2; exit 2; }
cli=$1
mib=${2:-1024}
for tool in sg_dd sg_verify; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (Debian: sg3-utils)" >&2; exit 77; }
done
# The disk images in memory, so that the host's own disk does not add its
# noise to the times.
[[ -z ${TMPDIR:-} && -w /dev/shm ]] && export TMPDIR=/dev/shm
source "$(dirname "$0")/../e2e/sg_qemu/lib.sh"

blocks=$((mib * 2048 - 1)) # every block but the last, which copy-drive leaves out
end=$(printf '%X' "$blocks")
rounds=5

{
    echo "sg_dd if=/dev/urandom of=\$(sgof 1) bs=512 bpt=194 count=$blocks"
    for _ in $(seq "$rounds"); do
        echo "time quillon-cli --version >/dev/null"
    done
    for _ in $(seq "$rounds"); do
        echo "time quillon-cli --quiet copy-drive 0:1:0 0:2:0 --start 0 --end $end >/dev/null"
        echo "time sg_dd if=\$(sgof 1) of=\$(sgof 2) bs=512 bpt=194 count=$blocks"
    done
    for _ in $(seq "$rounds"); do
        echo "time quillon-cli --quiet verify 0:1:0 --start 0 --end $end >/dev/null"
        echo "time sg_verify --bpc=255 --count=$blocks \$(sgof 1)"
    done
} >"$work/commands"

QUILLON_E2E_DISK_MIB=$mib QUILLON_E2E_TIMEOUT=${QUILLON_E2E_TIMEOUT:-1800} \
    boot "$cli" "$(command -v sg_dd)" "$(command -v sg_verify)" "$work/commands"
[[ $status -eq 0 ]] || finish

# The "real" times ("real\t1m 2.34s") of the commands whose line starts with
# PREFIX, in seconds, one a line, in the order they ran.
times() {
    awk -v p="=== time $1" '
        index($0, p) == 1 { on = 1; next }
        on && /^real/ { sub(/m$/, "", $2); sub(/s$/, "", $3); print $2 * 60 + $3; on = 0 }' \
        "$work/output"
}
# Two figures from the turns of both programs: the ratio of their best turns,
# and the median of the ratios of the turns that ran back to back, which share
# the machine's load of the moment; the second decides.
report() { # name quillon-prefix sg3-prefix sg3-name
    local pairs bq bs best median
    pairs=$(paste <(times "$2") <(times "$3"))
    bq=$(cut -f1 <<<"$pairs" | sort -n | head -1)
    bs=$(cut -f2 <<<"$pairs" | sort -n | head -1)
    best=$(awk -v q="$bq" -v s="$bs" 'BEGIN { if (q > 0) printf "%.1f", 100 * s / q }')
    median=$(awk '$1 > 0 { print 100 * $2 / $1 }' <<<"$pairs" | sort -n |
        awk '{ r[NR] = $1 } END { if (NR) printf "%.1f", NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2 }')
    printf '%-7s %d blocks: best turns quillon-cli %s s, %s %s s (%s %%); median of paired turns %s %% of its throughput\n' \
        "$1" "$blocks" "$bq" "$4" "$bs" "$best" "$median"
    awk -v r="$median" 'BEGIN { exit !(r != "" && r >= 90) }' || failures=$((failures + 1))
}
echo "start-up: quillon-cli --version $(times 'quillon-cli --version' | sort -n | head -1) s"
report copy 'quillon-cli --quiet copy-drive' sg_dd sg_dd
report verify 'quillon-cli --quiet verify' sg_verify sg_verify
grep -q '^=== exit [^0]' "$work/output" && { echo "a command failed"; failures=$((failures + 1)); }
finish
