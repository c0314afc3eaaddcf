#!/usr/bin/env bash
# A private tgtd on loopback for the iSCSI tests.
#
#   tgtd.sh start DIR   starts tgtd on a free port of 127.0.0.1 with its own
#                       control port, makes the targets below with their
#                       backing files in DIR, and writes DIR/env
#                       (again after "stop": the same port, targets and data)
#   tgtd.sh stop DIR    kills that tgtd and removes its control socket
#   tgtd.sh run CMD...  runs CMD with QUILLON_TGTD_ROOT set to a scratch
#                       directory, and on any exit stops every tgtd started
#                       under it (CMD starts them with "start")
#
# Exit status 77 when tgtd or tgtadm is missing or may not run here (not
# root): the tests are then skipped.
#
# Targets (DIR/env names them; LUN 0 of each is tgtd's controller):
#   iqn.2024-01.quillon.test:disks  LUN 1  512-byte blocks, 4 MiB (lun512.img)
#                                   LUN 2  2048-byte blocks, 8 MiB, removable,
#                                          vendor QUILLON product MO-2048 rev
#                                          0100, mode page 01h (lun2048.img)
#   iqn.2024-01.quillon.test:desc   LUN 1  512-byte blocks, 1 MiB, sense in
#                                          descriptor format (desc.img)
#   iqn.2024-01.quillon.test:chap   LUN 1  512-byte blocks, 1 MiB, CHAP user
#                                          "quillon", password in DIR/env
set -uo pipefail

readonly IQN_PREFIX=iqn.2024-01.quillon.test
# Read-Write Error Recovery page: AWRE ARRE, read retry count 8, write retry
# count 8, recovery time limit 0.
readonly MODE_PAGE_01=1:0:10:0xc0:8:0:0:0:0:8:0:0:0

skip() { echo "tgtd.sh: $*: skipped" >&2; exit 77; }
die() { echo "tgtd.sh: $*" >&2; exit 1; }

usable() {
    command -v tgtd >/dev/null || skip "tgtd is not installed (package tgt)"
    command -v tgtadm >/dev/null || skip "tgtadm is not installed (package tgt)"
    [[ $(id -u) -eq 0 ]] || skip "tgtd needs root for its control socket"
}

# True while process $1 runs (a zombie has let go of everything).
alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) && [[ $state != Z ]]
}

# True when something answers on 127.0.0.1:$1.
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

adm() { tgtadm -C "$control" --lld iscsi "$@"; }

start() {
    local dir=$1
    usable
    mkdir -p "$dir" || die "cannot make $dir"
    dir=$(cd "$dir" && pwd)
    local try pid= again=
    [[ -e $dir/tgtd.port ]] && again=$(cat "$dir/tgtd.port")
    for try in 1 2 3 4 5 6 7 8; do
        port=$((20000 + RANDOM % 40000))
        control=$((1000 + RANDOM % 60000))
        [[ -n $again ]] && port=$again
        listening "$port" && { [[ -n $again ]] && sleep 0.2; continue; }
        [[ -e /var/run/tgtd/socket.$control.lock ]] && continue
        tgtd -f -C "$control" --iscsi "portal=127.0.0.1:$port" >"$dir/tgtd.log" 2>&1 &
        pid=$!
        # Ready when the control socket answers and the portal listens.
        local wait
        for wait in $(seq 50); do
            alive "$pid" || break
            if tgtadm -C "$control" --lld iscsi --mode target --op show >/dev/null 2>&1 &&
                listening "$port"; then
                break 2
            fi
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        pid=
    done
    [[ -n $pid ]] || die "tgtd did not start (see $dir/tgtd.log)"
    echo "$pid" >"$dir/tgtd.pid"
    echo "$control" >"$dir/tgtd.control"
    echo "$port" >"$dir/tgtd.port"

    truncate -s 4M "$dir/lun512.img" && truncate -s 8M "$dir/lun2048.img" &&
        truncate -s 1M "$dir/desc.img" && truncate -s 1M "$dir/chap.img" ||
        die "cannot make the backing files"
    local password
    password=$(sed -n 's/^chap_password=//p' "$dir/env" 2>/dev/null)
    [[ -n $password ]] || password=chap$RANDOM$RANDOM$RANDOM

    adm --mode target --op new --tid 1 --targetname "$IQN_PREFIX:disks" &&
        adm --mode logicalunit --op new --tid 1 --lun 1 --backing-store "$dir/lun512.img" &&
        adm --mode logicalunit --op update --tid 1 --lun 1 \
            --params vendor_id=QUILLON,product_id=DISK-512,product_rev=0100 &&
        adm --mode logicalunit --op new --tid 1 --lun 2 --backing-store "$dir/lun2048.img" \
            --blocksize 2048 &&
        adm --mode logicalunit --op update --tid 1 --lun 2 \
            --params removable=1,vendor_id=QUILLON,product_id=MO-2048,product_rev=0100 &&
        adm --mode logicalunit --op update --tid 1 --lun 2 --params "mode_page=$MODE_PAGE_01" &&
        adm --mode target --op bind --tid 1 --initiator-address ALL &&
        adm --mode target --op new --tid 2 --targetname "$IQN_PREFIX:desc" &&
        adm --mode logicalunit --op new --tid 2 --lun 1 --backing-store "$dir/desc.img" &&
        adm --mode logicalunit --op update --tid 2 --lun 1 --params sense_format=1 &&
        adm --mode target --op bind --tid 2 --initiator-address ALL &&
        adm --mode target --op new --tid 3 --targetname "$IQN_PREFIX:chap" &&
        adm --mode logicalunit --op new --tid 3 --lun 1 --backing-store "$dir/chap.img" &&
        adm --mode account --op new --user quillon --password "$password" &&
        adm --mode account --op bind --tid 3 --user quillon &&
        adm --mode target --op bind --tid 3 --initiator-address ALL ||
        { stop "$dir"; die "tgtadm could not set up the targets"; }

    cat >"$dir/env" <<ENV
portal=127.0.0.1:$port
pid=$pid
disks=$IQN_PREFIX:disks
desc=$IQN_PREFIX:desc
chap=$IQN_PREFIX:chap
chap_user=quillon
chap_password=$password
lun512=$dir/lun512.img
lun2048=$dir/lun2048.img
mode_page_01=$MODE_PAGE_01
ENV
}

stop() {
    local dir=$1 pid control
    pid=$(cat "$dir/tgtd.pid" 2>/dev/null) || return 0
    control=$(cat "$dir/tgtd.control" 2>/dev/null)
    # tgtd -f ignores SIGTERM; nothing of it needs a clean end.
    kill -9 "$pid" 2>/dev/null
    while alive "$pid"; do sleep 0.02; done
    rm -f "$dir/tgtd.pid"
    [[ -n $control ]] && rm -f "/var/run/tgtd/socket.$control" "/var/run/tgtd/socket.$control.lock"
    return 0
}

run_root=
cleanup() {
    local pidfile
    for pidfile in "$run_root"/*/tgtd.pid; do
        [[ -e $pidfile ]] && stop "$(dirname "$pidfile")"
    done
    [[ -n ${QUILLON_E2E_KEEP:-} ]] || rm -rf "$run_root"
}

run() {
    usable
    run_root=$(mktemp -d "${TMPDIR:-/tmp}/quillon-tgtd.XXXXXX") || die "cannot make a scratch directory"
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    QUILLON_TGTD_ROOT=$run_root "$@"
}

case ${1:-} in
start) [[ $# -eq 2 ]] || die "usage: $0 start DIR"; start "$2" ;;
stop) [[ $# -eq 2 ]] || die "usage: $0 stop DIR"; stop "$2" ;;
run) shift; [[ $# -ge 1 ]] || die "usage: $0 run CMD..."; run "$@"; exit $? ;;
*) die "usage: $0 start DIR | stop DIR | run CMD..." ;;
esac
