#!/usr/bin/env bash
# quillon-cli against a real kernel: boots the harness (run.sh) with its three
# disks on a virtio-scsi host (0:1:0 plain, 0:2:0 removable, 0:3:0 with
# 2048-byte blocks) and checks what the program prints on the console.
#
#   cli_test.sh QUILLON_CLI
#
# Exit status 0 when every check passes, 1 when one fails, 77 (skipped) when
# QEMU, a kernel to boot, busybox-static or sg3_utils' sg_dd is not installed.
set -uo pipefail

[[ $# -eq 1 && -x $1 ]] || { echo "usage: $0 QUILLON_CLI" >&2; exit 2; }
command -v sg_dd >/dev/null || { echo "SKIP: sg_dd is not installed (Debian: sg3-utils)" >&2; exit 77; }
source "$(dirname "$0")/lib.sh"

cat >"$work/commands" <<'COMMANDS'
quillon-cli scan --all
quillon-cli inquiry 0:3:0
quillon-cli raw 0:1:0 000000000000
quillon-cli raw 0:1:0 000000000000
quillon-cli capacity 0:1:0
quillon-cli raw 0:3:0 000000000000
quillon-cli capacity 0:3:0
quillon-cli raw 0:1:0 3E 00 00000000 00 0258 00 --in 600
quillon-cli raw 0:1:0 28 00 00008000 00 0001 00 --in 512
i=0; while [ $i -lt 32 ]; do printf QUILLON-ROUNDTRP; i=$((i + 1)); done >/block.bin
quillon-cli write 0:1:0 20 --in /block.bin
quillon-cli read 0:1:0 20 --out /back.bin >/dev/null && cmp /block.bin /back.bin && echo "round trip: same bytes"
quillon-cli long-read 0:1:0 20
quillon-cli read-defect 0:1:0 --list grown --format block
quillon-cli eject 0:2:0
quillon-cli raw 0:2:0 000000000000
quillon-cli copy-drive 0:1:0 0:2:0 --start 18 --end 28 --quiet
quillon-cli read 0:2:0 20 --out /copied.bin >/dev/null && cmp /block.bin /copied.bin && echo "copied: same bytes"
sg_dd if=/dev/urandom of=$(sgof 1) bs=512 seek=4096 count=1200 2>/dev/null
quillon-cli copy-drive 0:1:0 0:2:0 --start 1000 --end 1400 --quiet
for d in 1 2; do sg_dd if=$(sgof $d) of=/copy$d.bin bs=512 skip=4096 count=1024 2>/dev/null; done; cmp /copy1.bin /copy2.bin && echo "copy: the destination holds the source's blocks"
sg_dd if=$(sgof 2) of=/after.bin bs=512 skip=5120 count=1 2>/dev/null && [ "$(tr -d '\000' </after.bin | wc -c)" -eq 0 ] && echo "copy: the block after the range untouched"
quillon-cli verify 0:1:0 --start 0 --end 600 --quiet
quillon-cli raw 0:2:0 1B 00 00 00 02 00
quillon-cli raw 0:2:0 000000000000
quillon-cli format 0:1:0 --yes --quiet
quillon-cli write 0:1:0 40 --in /block.bin
quillon-cli read 0:1:0 40 --out /formatted.bin >/dev/null && cmp /block.bin /formatted.bin && echo "after the format: same bytes"
COMMANDS

boot "$1" "$(command -v sg_dd)" "$work/commands"

# The scan finds the three disks where SG_GET_SCSI_ID puts them.
expect "0:1:0    00h   QEMU      QEMU HARDDISK     2.5+  no" \
    "0:2:0    00h   QEMU      QEMU HARDDISK     2.5+  yes" \
    "0:3:0    00h   QEMU      QEMU HARDDISK     2.5+  no" \
    'Vendor           "QEMU    "' \
    'Revision         "2.5+"'

# The first command after power-on meets the unit attention; the second is GOOD.
section() { awk -v c="=== $1" '$0 == c { on = 1; next } on && /^=== exit/ { print; exit } on' "$work/output"; }
[[ $(section "quillon-cli raw 0:1:0 000000000000" | head -3) == "Status           02h CHECK CONDITION
Extended Sense Data
Sense Key              \$06  Unit Attention" ]] || { echo "MISSING: the unit attention of 0:1:0"; failures=$((failures + 1)); }
expect "Additional Sense Code  \$29 \$00  power on, reset, or bus device reset occurred" \
    "Status           00h GOOD"

# The kernel fetches the sense data with the failed command and the disk keeps
# none: the sense report still shows what the disk said, not NO SENSE.
[[ $(section "quillon-cli eject 0:2:0") == "    **** Eject Disk *****
Eject Error
Extended Sense Data
Sense Key              \$06  Unit Attention
Additional Sense Code  \$29 \$00  power on, reset, or bus device reset occurred
=== exit 1" ]] || { echo "MISSING: the eject's unit attention in the sense report"; failures=$((failures + 1)); }

# A block written and read back through the sg driver; READ LONG is not the
# disk's: the drive's ILLEGAL REQUEST, decoded.
expect "LBA 20 Write OK" "round trip: same bytes"

# Two disks of the same size and block size: blocks 18h to 27h of the first
# copied to the same addresses of the second.
[[ $(section "quillon-cli copy-drive 0:1:0 0:2:0 --start 18 --end 28 --quiet") == "    **** Copy Disk (2 Drive) *****
End Drive Copy
=== exit 0" ]] || { echo "MISSING: the copy from 0:1:0 to 0:2:0"; failures=$((failures + 1)); }
expect "copied: same bytes"
# 1024 random blocks copied between the two disks, compared with sg_dd; the
# first disk verified by the drive itself.
expect "copy: the destination holds the source's blocks" "copy: the block after the range untouched"
[[ $(section "quillon-cli verify 0:1:0 --start 0 --end 600 --quiet") == "    **** Verify Block(126Block) *****
End Verify
=== exit 0" ]] || { echo "MISSING: verify of 0:1:0 without errors"; failures=$((failures + 1)); }
[[ $(section "quillon-cli long-read 0:1:0 20") == *"Error: Long Read
Extended Sense Data
Sense Key              \$05  Illegal Request
Additional Sense Code  \$20 \$00  invalid command operation code"*"=== exit 1" ]] ||
    { echo "MISSING: long-read refused with ILLEGAL REQUEST"; failures=$((failures + 1)); }

# The disk keeps no defect lists: READ DEFECT DATA is refused, and the
# failure is the list's.
[[ $(section "quillon-cli read-defect 0:1:0 --list grown --format block") == "    **** Read Defect Data *****
Error: Read Defect 4
Extended Sense Data
Sense Key              \$05  Illegal Request
Additional Sense Code  \$20 \$00  invalid command operation code
quillon-cli: READ DEFECT DATA failed: invalid command operation code
=== exit 1" ]] || { echo "MISSING: read-defect refused with ILLEGAL REQUEST"; failures=$((failures + 1)); }

# FORMAT UNIT through the sg driver: the disk answers, and takes a write
# and gives it back afterwards.
[[ $(section "quillon-cli format 0:1:0 --yes --quiet") == "    **** Physical Format *****
Format Drive
Format Start
Format Complete
  Time(mm:ss) =    0: 0
Format Complete
=== exit 0" ]] || { echo "MISSING: the format of 0:1:0"; failures=$((failures + 1)); }
expect "after the format: same bytes"

expect "LastBlockLBA     32767 (7FFFh)" \
    "LastBlockLBA     8191 (1FFFh)" \
    "BlockSize        2048" \
    "LongBlockSize    2380" \
    "Sense Key              \$05  Illegal Request" \
    "Additional Sense Code  \$20 \$00  invalid command operation code" \
    "Additional Sense Code  \$21 \$00  logical block address out of range" \
    "Sense Key              \$02  Not Ready" \
    "Additional Sense Code  \$3A \$00  medium not present" \
    "=== end"
finish
