#!/usr/bin/env bash
# quillon-cli's copy-drive and verify against sg3_utils' sg_dd and sg_verify,
# in one QEMU boot with two virtio-scsi disks of 512-byte blocks: the same
# blocks copied between the two sg nodes at 194 blocks per command, and
# verified at 255 blocks per command. Each pair takes turns for several rounds
# so that a change of load on the machine falls on both; the best round of
# each counts. The disks are large enough that the steady rate, not the start
# of the programs, decides: under emulation quillon-cli takes a fifth of a
# second to load its libraries (printed as its start-up time), against a few
# milliseconds on a real machine.
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

# The best "real" time ("real\t1m 2.34s") of the commands whose line starts
# with PREFIX, in seconds.
best() {
    awk -v p="=== time $1" '
        index($0, p) == 1 { on = 1; next }
        on && /^real/ { sub(/m$/, "", $2); sub(/s$/, "", $3); t = $2 * 60 + $3
                        if (best == "" || t < best) best = t; on = 0 }
        END { print best }' "$work/output"
}
report() { # name quillon-seconds sg3-seconds
    local ratio
    ratio=$(awk -v q="$2" -v s="$3" 'BEGIN { if (q > 0) printf "%.1f", 100 * s / q }')
    printf '%-7s %d blocks: quillon-cli %s s, %s %s s: %s %% of its throughput\n' \
        "$1" "$blocks" "$2" "$4" "$3" "$ratio"
    awk -v r="$ratio" 'BEGIN { exit !(r != "" && r >= 90) }' || failures=$((failures + 1))
}
echo "start-up: quillon-cli --version $(best 'quillon-cli --version') s"
report copy "$(best 'quillon-cli --quiet copy-drive')" "$(best 'sg_dd')" sg_dd
report verify "$(best 'quillon-cli --quiet verify')" "$(best 'sg_verify')" sg_verify
grep -q '^=== exit [^0]' "$work/output" && { echo "a command failed"; failures=$((failures + 1)); }
finish
