#!/usr/bin/env bash
# cmake --install puts the programs, the help book, the desktop entry, the
# manual pages and the package's metadata in place, and the installed programs answer --version and --help:
# install_test.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
failures=0
for file in bin/quillon bin/quillon-cli share/quillon/help/index.html \
    share/quillon/help/10021.html share/quillon/help/10028.html \
    share/applications/quillon.desktop share/icons/hicolor/scalable/apps/quillon.svg \
    share/bash-completion/completions/quillon-cli share/man/man1/quillon.1.gz \
    share/man/man1/quillon-cli.1.gz share/metainfo/org.quillon.quillon.metainfo.xml \
    share/doc/quillon/copyright; do
    [[ -e $prefix/$file ]] || { echo "not installed: $file"; failures=$((failures + 1)); }
done
[[ $(ls "$prefix/share/quillon/help" | wc -l) -eq 25 ]] ||
    { echo "the help book needs a page per context and a contents page"; failures=$((failures + 1)); }
grep -qx "Exec=quillon" "$prefix/share/applications/quillon.desktop" ||
    { echo "the desktop entry does not start quillon"; failures=$((failures + 1)); }
[[ $("$prefix/bin/quillon" --version) == "quillon "* ]] ||
    { echo "quillon --version"; failures=$((failures + 1)); }
"$prefix/bin/quillon" --help | grep -q -- "--simulate\[=DRIVES\]" ||
    { echo "quillon --help"; failures=$((failures + 1)); }
exit $((failures > 0))
