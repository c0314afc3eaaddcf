#!/usr/bin/env bash
# quillon-cli against a real tgtd: the scan lists the LUNs of the targets
# named by --iscsi, and a command tgtd does not know is decoded. Runs under
# "tgtd.sh run", which gives it QUILLON_TGTD_ROOT.
#
#   cli_test.sh QUILLON_CLI
set -uo pipefail

[[ $# -eq 1 && -x $1 && -n ${QUILLON_TGTD_ROOT:-} ]] || {
    echo "usage: tgtd.sh run $0 QUILLON_CLI" >&2
    exit 2
}
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
"$here/tgtd.sh" start "$QUILLON_TGTD_ROOT/cli" || exit $?
# shellcheck source=/dev/null
source "$QUILLON_TGTD_ROOT/cli/env"

failures=0
check() { # check WHAT EXPECTED-LINE OUTPUT
    grep -Fxq -- "$2" <<<"$3" || { echo "MISSING ($1): $2"; echo "$3"; failures=$((failures + 1)); }
}

scan=$("$cli" --iscsi "iscsi://$portal/$disks" --iscsi "iscsi://$portal/$desc/1" scan --all)
check scan "0:0:1    00h   QUILLON   DISK-512          0100  no" "$scan"
check scan "0:0:2    00h   QUILLON   MO-2048           0100  yes" "$scan"
check scan "0:1:1    00h   IET       VIRTUAL-DISK      0001  no" "$scan"

# READ LONG is not tgtd's: CHECK CONDITION, decoded through the sense tables.
long=$("$cli" --iscsi "iscsi://$portal/$disks" raw 0:0:1 3E 00 00000000 00 0258 00 --in 600)
check "read long" "Additional Sense Code  \$20 \$00  invalid command operation code" "$long"

# tgtd keeps no defect lists: its ILLEGAL REQUEST, decoded, is the failure
# of the list asked for.
defects=$("$cli" --iscsi "iscsi://$portal/$disks" read-defect 0:0:2 --list grown 2>&1)
status=$?
check "read defect" "Error: Read Defect 2" "$defects"
check "read defect" "Additional Sense Code  \$20 \$00  invalid command operation code" "$defects"
check "read defect" "quillon-cli: READ DEFECT DATA failed: invalid command operation code" "$defects"
[[ $status -eq 1 ]] || { echo "read-defect exited $status"; failures=$((failures + 1)); }

capacity=$("$cli" --iscsi "iscsi://$portal/$disks" capacity 0:0:2)
check capacity "BlockSize        2048" "$capacity"

# The CHAP password comes from the environment and never shows.
chapScan=$(LIBISCSI_CHAP_PASSWORD=$chap_password "$cli" --iscsi "iscsi://quillon@$portal/$chap/1" scan --all 2>&1)
check chap "0:0:1    00h   IET       VIRTUAL-DISK      0001  no" "$chapScan"
wrong=$(LIBISCSI_CHAP_PASSWORD=wrong-secret "$cli" --verbose --iscsi "iscsi://quillon@$portal/$chap/1" scan --all 2>&1)
if grep -q "wrong-secret\|$chap_password" <<<"$wrong$chapScan"; then
    echo "a password was printed"
    failures=$((failures + 1))
fi

# A block written and read back over iSCSI.
head -c 2048 /dev/urandom >"$QUILLON_TGTD_ROOT/block.bin"
write=$("$cli" --iscsi "iscsi://$portal/$disks" write 0:0:2 10 --in "$QUILLON_TGTD_ROOT/block.bin" 2>&1)
check write "LBA 10 Write OK" "$write"
"$cli" --iscsi "iscsi://$portal/$disks" read 0:0:2 10 --out "$QUILLON_TGTD_ROOT/back.bin" >/dev/null &&
    cmp -s "$QUILLON_TGTD_ROOT/block.bin" "$QUILLON_TGTD_ROOT/back.bin" ||
    { echo "the block read back over iSCSI is not the one written"; failures=$((failures + 1)); }

# tgtd refuses READ LONG and WRITE LONG: every block of the run fails, and
# the run is a failed one.
ber=$("$cli" --iscsi "iscsi://$portal/$disks" ber 0:0:2 --start 0 --end 40 2>&1)
status=$?
check ber "Failed Blocks = 16" "$ber"
check ber "quillon-cli: 16 blocks failed" "$ber"
[[ $status -eq 1 ]] || { echo "ber exited $status"; failures=$((failures + 1)); }

# tgtd killed while safe-ber runs (on its first progress line, which a
# terminal shows): the run fails and says that correction may still be off.
safe=$(script -qec "$cli --iscsi iscsi://$portal/$disks safe-ber 0:0:2 --start 0 --skip 0; echo exit=\$?" /dev/null |
    {
        while IFS= read -r -d $'\r' chunk; do
            if [[ $chunk == *elapsed* ]]; then
                "$here/tgtd.sh" stop "$QUILLON_TGTD_ROOT/cli"
                break
            fi
        done
        tr -d '\r'
    })
check "safe-ber, tgtd killed" "Error correction may still be off: Mode Select (Set ERC) failed twice" "$safe"
check "safe-ber, tgtd killed" "quillon-cli: error correction may still be off" "$safe"
check "safe-ber, tgtd killed" "exit=1" "$safe"

[[ $failures -eq 0 ]] && echo "PASSED" || exit 1
