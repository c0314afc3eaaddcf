#!/usr/bin/env bash
# The sg transport against a real kernel: boots the harness (run.sh) with its
# three disks on a virtio-scsi host and the slow one on a parallel SCSI host,
# runs sg_probe there and checks what it saw.
#
#   test.sh SG_PROBE
#
# Exit status 0 when every check passes, 1 when one fails, 77 (skipped) when
# QEMU, a kernel to boot or busybox-static is not installed. With
# QUILLON_E2E_KEEP set, the console output stays in the work directory.
set -uo pipefail

[[ $# -eq 1 && -x $1 ]] || { echo "usage: $0 SG_PROBE" >&2; exit 2; }
source "$(dirname "$0")/lib.sh"

cat >"$work/commands" <<'COMMANDS'
sg_probe --verbose --slow 4
sg_probe --dev /tmp
su -s /bin/sh nobody -c 'sg_probe'
COMMANDS

QUILLON_E2E_SLOW_DISK=1 boot "$1" "$work/commands"

# The probe's own run, as root: both hosts in host order, then each device.
expect "=== sg_probe --verbose --slow 4" \
    "presence present, 2 adapter(s)" \
    '~adapter 0 host 0 channel 0 id 7 max-targets 8 max-transfer [1-9][0-9]* manager "Linux sg [0-9]+\.[0-9]+\.[0-9]+" identifier "virtio_scsi"' \
    '~adapter 1 host 1 channel 0 id 7 max-targets 8 max-transfer [1-9][0-9]* manager "Linux sg [0-9]+\.[0-9]+\.[0-9]+" identifier "sym53c8xx"' \
    "0:0:0 no-device refused HOST 11h at once" \
    "1:0:0 no-device refused HOST 11h at once"

for target in 1 2 3; do
    t=0:$target:0
    [[ $target == 2 ]] && kind=removable || kind=fixed
    expect "$t device host 0 channel 0 id $target lun 0 type 0" \
        "$t inquiry GOOD" \
        "$t identity type 0 vendor \"QEMU\" product \"QEMU HARDDISK\" revision \"2.5+\" $kind" \
        "$t tur1 CHECK CONDITION 6/29/00" \
        "$t tur2 GOOD" \
        "$t read-long CHECK CONDITION 5/20/00" \
        "$t write GOOD" \
        "$t read-back matches" \
        "$t read-beyond CHECK CONDITION 5/21/00" \
        "$t read-beyond buffer untouched" \
        "$t queue 40 sent 40 pending 40 good 40 with the right data" \
        "$t abort-held false, then GOOD" \
        "~$t abandoned-read (completed, buffer untouched|not tried: the reads finished too fast)"
done
expect "0:1:0 capacity last-lba 32767 block 512" \
    "0:2:0 capacity last-lba 32767 block 512" \
    "0:3:0 capacity last-lba 8191 block 2048" \
    "0:2:0 eject GOOD" \
    "0:2:0 tur-after-eject CHECK CONDITION 2/3A/00"

expect "1:4:0 device host 1 channel 0 id 4 lun 0 type 0" \
    "1:4:0 capacity last-lba 2047 block 512" \
    "1:4:0 abort-queued true, then HOST 09h; the other 19: 19 good" \
    "~1:4:0 timeout abandoned, HOST 09h after [0-9]+ ms, buffer untouched; the read before it: GOOD" \
    "1:4:0 read-after-timeout GOOD" \
    "1:4:0 burst GOOD" \
    "1:4:0 hand-over waiting, then GOOD" \
    "1:4:0 read-after-hand-over GOOD"

# The probe ran to its end; without nodes, and without the right to open
# them, the transport is absent and says why.
awk '/^=== sg_probe --verbose/ { run = 1; next } run && /^=== exit/ { print; exit }' \
    "$work/output" | grep -qx "=== exit 0" || { echo "MISSING: the probe's exit 0"; failures=$((failures + 1)); }
expect "=== sg_probe --dev /tmp" \
    "no sg device nodes in /tmp (is the sg module loaded?)" \
    "=== su -s /bin/sh nobody -c 'sg_probe'" \
    "/dev/sg0: cannot open: Permission denied" \
    "=== end"
absent=$(grep -c "^presence absent$" "$work/output")
[[ $absent -eq 2 ]] || { echo "MISSING: presence absent twice (seen $absent times)"; failures=$((failures + 1)); }
exits=$(grep -c "^=== exit 1$" "$work/output")
[[ $exits -eq 2 ]] || { echo "MISSING: exit 1 of the two absent runs (seen $exits)"; failures=$((failures + 1)); }

finish
