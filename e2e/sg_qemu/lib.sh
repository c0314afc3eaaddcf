# Shared by the QEMU tests: boots the harness with a program and its command
# lines, and checks the console output.
#
#   boot PROGRAM... COMMANDS  runs run.sh; leaves the console in $work/output;
#                           exits 77 (skipped) when the harness cannot run
#   expect PATTERN...       each a line the output must hold: a fixed string,
#                           or with a leading ~ an extended regular expression
#                           for the whole line
#   finish                  prints the verdict and exits
#
# With QUILLON_E2E_KEEP set, the work directory stays.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-sg-test.XXXXXX")
trap '[[ -n ${QUILLON_E2E_KEEP:-} ]] || rm -rf "$work"' EXIT
failures=0
status=0

boot() {
    local start
    start=$(date +%s)
    "$here/run.sh" "$@" >"$work/console" 2>"$work/errors"
    status=$?
    tr -d '\r' <"$work/console" >"$work/output"
    if [[ $status -eq 77 ]]; then
        cat "$work/errors" >&2
        exit 77
    fi
    echo "harness: exit $status after $(($(date +%s) - start)) s"
}

expect() {
    local pattern
    for pattern in "$@"; do
        if [[ $pattern == ~* ]]; then
            grep -Eq "^${pattern#\~}\$" "$work/output" && continue
        else
            grep -Fxq -- "$pattern" "$work/output" && continue
        fi
        echo "MISSING: $pattern"
        failures=$((failures + 1))
    done
}

finish() {
    if [[ $failures -gt 0 || $status -ne 0 ]]; then
        echo "FAILED: $failures check(s), harness exit $status; the console:"
        cat "$work/output"
        cat "$work/errors"
        exit 1
    fi
    echo "PASSED: every check"
    exit 0
}
