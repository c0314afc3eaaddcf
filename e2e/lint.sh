#!/usr/bin/env bash
# The files a package installs for man, the desktop and software centres, each
# checked by the tool that reads it; skipped (77) when that tool is missing.
#   lint.sh man PAGE...            man and mandoc say nothing about the pages
#   lint.sh desktop FILE           desktop-file-validate passes
#   lint.sh appstream FILE VERSION appstreamcli passes, the release is VERSION
set -uo pipefail
kind=$1
shift

need() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
    done
}

failures=0
fail() {
    echo "$*"
    failures=$((failures + 1))
}

case $kind in
man)
    need man mandoc
    for page; do
        warnings=$(LC_ALL=C.UTF-8 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null)
        [[ -z $warnings ]] || fail "man --warnings $page: $warnings"
        # Style remarks (one sentence a line, ...) are no faults.
        lint=$(mandoc -T lint -W warning "$page" 2>&1)
        [[ -z $lint ]] || fail "mandoc -T lint $page: $lint"
    done
    ;;
desktop)
    need desktop-file-validate
    desktop-file-validate "$1" || fail "desktop-file-validate $1"
    ;;
appstream)
    need appstreamcli
    appstreamcli validate --no-net "$1" || fail "appstreamcli validate $1"
    grep -q "<release version=\"$2\"" "$1" || fail "$1 has no release $2"
    ;;
*)
    echo "lint.sh: no such check: $kind"
    exit 2
    ;;
esac
exit $((failures > 0))
