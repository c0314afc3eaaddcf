#!/usr/bin/env bash
# Boots a Linux kernel in QEMU with three SCSI disks, runs programs there and
# prints the serial console.
#
#   run.sh PROGRAM... COMMANDS
#
# Each PROGRAM is copied into the guest as /bin/<its name>, with the shared
# libraries it needs. COMMANDS is a file of shell command lines (blank lines
# and lines starting with # are skipped); the guest runs each one as root,
# printing "=== <line>" before it and "=== exit <status>" after it, then
# "=== end" and powers off. The user nobody exists for commands that must run
# without privileges: su -s /bin/sh nobody -c '...'. "sgof T" prints the sg
# node of the disk at target T of the virtio host.
#
# The disks, on a virtio-scsi host (SCSI host 0), channel 0, LUN 0:
#   target 1: 16 MiB, 512-byte blocks (last LBA 32767)
#   target 2: 16 MiB, 512-byte blocks, removable
# (targets 1 and 2 hold QUILLON_E2E_DISK_MIB MiB when that is set)
#   target 3: 16 MiB, 2048-byte blocks (last LBA 8191)
# With QUILLON_E2E_SLOW_DISK=1 also, on an LSI 53C895A parallel SCSI host
# (SCSI host 1, Linux driver sym53c8xx), channel 0, LUN 0:
#   target 4: 1 MiB, 512-byte blocks, moving 32 KiB a second (QEMU's I/O
#             throttling), so that commands stay queued and outlast short
#             time-outs; unlike virtio-scsi, whose driver never lets a command
#             time out, this host's driver has the kernel abort them.
# The guest loads sg but not sd_mod, so the program is the first to send the
# disks a command that reports their power-on unit attention.
#
# Environment:
#   QUILLON_E2E_KERNEL   kernel image (default: the newest /boot/vmlinuz-*
#                        whose modules are installed)
#   QUILLON_E2E_TIMEOUT  seconds before QEMU is stopped (default 120)
#   QUILLON_E2E_KEEP     when set, the work directory is kept and named
#   QUILLON_E2E_SLOW_DISK  1 adds the slow disk and its host
#   QUILLON_E2E_DISK_MIB the size of targets 1 and 2 (default 16)
#   QUILLON_E2E_MEMORY_MIB the guest's memory (default 512)
#
# Exit status: QEMU's (0 after a clean power-off; 124 on the time-out), or 77
# when QEMU, a kernel with its modules or busybox-static is not installed.
set -euo pipefail

usage() { echo "usage: $0 PROGRAM... COMMANDS" >&2; exit 2; }
[[ $# -ge 2 ]] || usage
programs=("${@:1:$#-1}")
commands=${!#}
for program in "${programs[@]}"; do
    [[ -x $program ]] || { echo "$0: $program is not an executable file" >&2; exit 2; }
done
[[ -r $commands ]] || { echo "$0: cannot read $commands" >&2; exit 2; }

skip() { echo "SKIP: $*" >&2; exit 77; }

qemu=$(command -v qemu-system-x86_64 || true)
[[ -n $qemu ]] || skip "qemu-system-x86_64 is not installed (Debian: qemu-system-x86)"

busybox=
for candidate in /bin/busybox /usr/bin/busybox; do
    if [[ -x $candidate ]] && ! ldd "$candidate" >/dev/null 2>&1; then
        busybox=$candidate # statically linked: ldd finds nothing to load
        break
    fi
done
[[ -n $busybox ]] || skip "no statically linked busybox (Debian: busybox-static)"

kernel=${QUILLON_E2E_KERNEL:-}
if [[ -z $kernel ]]; then
    for image in $(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V -r); do
        if [[ -r $image && -f /lib/modules/${image#/boot/vmlinuz-}/modules.dep ]]; then
            kernel=$image
            break
        fi
    done
fi
[[ -n $kernel && -r $kernel ]] || skip "no readable /boot/vmlinuz-* with modules in /lib/modules (Debian: linux-image-amd64)"
release=${kernel##*/vmlinuz-}
moddir=/lib/modules/$release
[[ -f $moddir/modules.dep ]] || skip "no modules for kernel $release in $moddir"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-e2e.XXXXXX")
if [[ -n ${QUILLON_E2E_KEEP:-} ]]; then
    echo "work directory: $work" >&2
else
    trap 'rm -rf "$work"' EXIT
fi
root=$work/root
mkdir -p "$root"/{bin,sbin,dev,proc,sys,tmp,modules,etc}

# busybox and its applets
cp "$busybox" "$root/bin/busybox"
for applet in $("$busybox" --list); do
    [[ $applet == busybox ]] || ln -sf busybox "$root/bin/$applet"
done

# Kernel modules, in an order in which each one's dependencies come first.
declare -A deps=() paths=() loaded=()
while IFS=: read -r module needs; do
    deps[$module]=$needs
    base=${module##*/}
    base=${base%%.ko*}
    paths[${base//-/_}]=$module # dashes and underscores name the same module
done <"$moddir/modules.dep"

order=()
add_module() { # path
    local path=$1 dep
    [[ -n ${loaded[$path]:-} ]] && return 0
    loaded[$path]=1
    for dep in ${deps[$path]}; do
        add_module "$dep"
    done
    order+=("$path")
}

modules=(scsi_common scsi_mod sg virtio virtio_ring virtio_pci_legacy_dev virtio_pci_modern_dev
    virtio_pci virtio_scsi)
[[ ${QUILLON_E2E_SLOW_DISK:-0} == 1 ]] && modules+=(scsi_transport_spi sym53c8xx)
for name in "${modules[@]}"; do
    if [[ -n ${paths[$name]:-} ]]; then
        add_module "${paths[$name]}"
    elif grep -Eq "/${name}\.ko" "$moddir/modules.builtin" 2>/dev/null; then
        : # built into this kernel
    elif [[ $name == virtio_pci_legacy_dev || $name == virtio_pci_modern_dev ]]; then
        : # only split out of virtio_pci in some kernels
    else
        echo "$0: kernel $release has no module $name" >&2
        exit 1
    fi
done

insmods=
for path in "${order[@]}"; do
    base=${path##*/}
    target=$root/modules/${base%%.ko*}.ko
    case $path in
    *.ko.xz) xz -dc "$moddir/$path" >"$target" 2>/dev/null || "$busybox" unxz -c "$moddir/$path" >"$target" ;;
    *.ko.zst) zstd -qdc "$moddir/$path" >"$target" ;;
    *.ko.gz) gzip -dc "$moddir/$path" >"$target" ;;
    *) cp "$moddir/$path" "$target" ;;
    esac
    insmods+="insmod /modules/${target##*/}"$'\n'
done

# The programs and what the dynamic loader needs for them.
for program in "${programs[@]}"; do
    name=${program##*/}
    rm -f "$root/bin/$name" # may be an applet link to busybox: do not write through it
    cp "$program" "$root/bin/$name"
    for lib in $(ldd "$program" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'); do
        mkdir -p "$root$(dirname "$lib")"
        cp -L "$lib" "$root$lib"
    done
done

# sgof T: the sg node of the disk at target T of the virtio host.
cat >"$root/bin/sgof" <<'SGOF'
#!/bin/sh
for node in /sys/class/scsi_generic/*; do
    case $(readlink "$node/device") in
    */0:0:$1:0) echo "/dev/${node##*/}" ;;
    esac
done
SGOF
chmod +x "$root/bin/sgof"
cp "$commands" "$root/etc/commands"
# root, and an unprivileged user for "su -s /bin/sh nobody -c ..."
printf 'root:x:0:0:root:/:/bin/sh\nnobody:x:65534:65534:nobody:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$root/etc/group"

size=${QUILLON_E2E_DISK_MIB:-16}M
disks=(
    "plain $size scsi-id=1"
    "removable $size scsi-id=2,removable=on"
    "large 16M scsi-id=3,logical_block_size=2048,physical_block_size=2048"
)
disk_args=(-device virtio-scsi-pci,id=scsi0)
if [[ ${QUILLON_E2E_SLOW_DISK:-0} == 1 ]]; then
    disks+=("slow 1M scsi-id=4,bus=spi0.0 throttling.bps-total=32768")
    disk_args+=(-device lsi53c895a,id=spi0)
fi
for disk in "${disks[@]}"; do
    read -r id size device drive <<<"$disk"
    truncate -s "$size" "$work/$id.img"
    [[ $device == *bus=* ]] || device+=",bus=scsi0.0"
    disk_args+=(-drive "if=none,id=$id,format=raw,file=$work/$id.img${drive:+,$drive}"
        -device "scsi-hd,channel=0,lun=0,drive=$id,$device")
done

cat >"$root/init" <<INIT
#!/bin/sh
export PATH=/bin:/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
${insmods}
# Wait for the disks' sg nodes: the SCSI scan runs asynchronously.
tries=0
while [ "\$(ls /dev/sg* 2>/dev/null | wc -l)" -lt ${#disks[@]} ] && [ \$tries -lt 200 ]; do
    sleep 0.05
    tries=\$((tries + 1))
done
echo "=== begin \$(ls /dev/sg* 2>/dev/null | tr '\n' ' ')"
while IFS= read -r line || [ -n "\$line" ]; do
    case "\$line" in
    ''|'#'*) continue ;;
    esac
    echo "=== \$line"
    sh -c "\$line" </dev/null
    echo "=== exit \$?"
done </etc/commands
echo "=== end"
poweroff -f
INIT
chmod +x "$root/init"

(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) >"$work/initramfs.cpio"

# -cpu max: programs built for the build machine's CPU run on the emulated one.
set +e
timeout "${QUILLON_E2E_TIMEOUT:-120}" "$qemu" \
    -accel tcg -cpu max -nographic -nic none -m "${QUILLON_E2E_MEMORY_MIB:-512}" -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append 'console=ttyS0 quiet panic=-1' \
    "${disk_args[@]}" </dev/null
status=$?
set -e
[[ $status -eq 124 ]] && echo "$0: QEMU did not finish within ${QUILLON_E2E_TIMEOUT:-120} s" >&2
exit $status
