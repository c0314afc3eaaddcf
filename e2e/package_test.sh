#!/usr/bin/env bash
# cpack makes the Debian package; dpkg installs it, its programs answer from
# /usr/bin, man finds its pages, and removing it leaves none of its files:
# package_test.sh BUILD_DIR VERSION
# Skipped (77) unless run as root, or when a quillon package is installed
# already (it is not replaced).
set -uo pipefail
build=$1
version=$2
[[ $(id -u) -eq 0 ]] || { echo "installing a package needs root"; exit 77; }
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps man; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
if dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -q ' installed$'; then
    echo "a quillon package is installed already; it is left alone"
    exit 77
fi

out=$(mktemp -d)
installed=false
cleanup() {
    if $installed; then dpkg -r quillon >/dev/null; fi
    rm -rf "$out"
}
trap cleanup EXIT

# Whether dpkg is told not to install a path (minimal images leave out
# /usr/share/man and /usr/share/doc): the last path-exclude or path-include
# that matches decides.
excluded() {
    local verdict=false kind glob
    while IFS='=' read -r kind glob; do
        # shellcheck disable=SC2053 # the glob is meant to match
        [[ $1 == $glob ]] || continue
        [[ $kind == path-exclude ]] && verdict=true || verdict=false
    done < <(cat /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null | grep -E '^path-(exclude|include)=')
    $verdict
}

failures=0
fail() {
    echo "$*"
    failures=$((failures + 1))
}

files=(usr/bin/quillon usr/bin/quillon-cli usr/share/quillon/help/index.html
    usr/share/applications/quillon.desktop usr/share/icons/hicolor/scalable/apps/quillon.svg
    usr/share/metainfo/org.quillon.quillon.metainfo.xml
    usr/share/bash-completion/completions/quillon-cli
    usr/share/man/man1/quillon.1.gz usr/share/man/man1/quillon-cli.1.gz
    usr/share/doc/quillon/copyright)

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$out/quillon_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "no $deb:"; ls "$out"; exit 1; }

contents=$(dpkg-deb -c "$deb")
for file in "${files[@]}"; do
    grep -q " \./$file\$" <<<"$contents" || fail "not in the package: $file"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *libc6* ]] ||
    fail "the dependencies do not name the libraries the programs use: $depends"
[[ $(dpkg-deb -f "$deb" Section Priority) == $'Section: utils\nPriority: optional' ]] ||
    fail "section and priority: $(dpkg-deb -f "$deb" Section Priority)"

dpkg -i "$deb" >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; exit 1; }
installed=true
[[ $(QT_QPA_PLATFORM=offscreen /usr/bin/quillon --version) == "quillon $version" ]] ||
    fail "quillon --version"
scan=$(/usr/bin/quillon-cli --simulate scan) || fail "quillon-cli --simulate scan failed"
grep -q '^0:2:0 .* yes$' <<<"$scan" && grep -q '^0:4:0 ' <<<"$scan" ||
    fail "quillon-cli --simulate scan does not list the simulated drives: $scan"
for page in quillon quillon-cli; do
    path=/usr/share/man/man1/$page.1.gz
    excluded "$path" || [[ $(man -w "$page") == "$path" ]] || fail "man does not find $page(1)"
done

dpkg -r quillon >/dev/null || fail "dpkg -r quillon"
installed=false
for file in "${files[@]}"; do
    [[ ! -e /$file ]] || fail "left after removal: /$file"
done
exit $((failures > 0))
