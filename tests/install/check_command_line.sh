#!/usr/bin/env bash
# Runs corvane as a terminal would, in a scratch environment without a display: --help and
# --version answer anyway, an unknown option is refused with the usage, and a start
# without a display says what is missing in one line instead of aborting.
set -uo pipefail
corvane="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0
# Runs a command (after any NAME=value) with only PATH, HOME and those variables; sets
# out, err and status.
run() {
    env -i PATH="$PATH" HOME="$scratch" "$@" >"$scratch/out" 2>"$scratch/err"
    status=$?
    out=$(<"$scratch/out")
    err=$(<"$scratch/err")
}
expect() { # description, then a test
    local what="$1"
    shift
    if ! "$@"; then
        echo "FAIL: $what (status $status)"
        printf '  stdout: %s\n  stderr: %s\n' "$out" "$err"
        failed=1
    fi
}
lines() { printf '%s' "$1" | grep -c ''; }

run "$corvane" --help
expect "--help prints the usage on stdout and exits 0" \
    test "$status" -eq 0 -a -z "$err" -a "${out%%$'\n'*}" = "Usage: corvane [--help] [--version]"
run "$corvane" -v
expect "-v prints the version and exits 0" \
    test "$status" -eq 0 -a -z "$err" -a "${out%% *}" = "Corvane" -a "$(lines "$out")" -eq 1

for args in --frobnicate "--help --frobnicate" statement.pdf; do
    # shellcheck disable=SC2086 # each case is several words on purpose
    run "$corvane" $args
    expect "'$args' is refused with the usage on stderr and exit 2" \
        test "$status" -eq 2 -a -z "$out" -a "$(grep -c '^Usage: corvane' <<<"$err")" -eq 1
done

run "$corvane"
expect "without DISPLAY or WAYLAND_DISPLAY: one line naming them, exit 1" \
    test "$status" -eq 1 -a -z "$out" -a "$(lines "$err")" -eq 1
[[ "$err" == *DISPLAY* ]] || expect "the line names DISPLAY" false

# A display that is set but cannot be reached: Qt's abort becomes one line too. An empty
# folder of X sockets makes sure that nothing answers.
mkdir "$scratch/no-x"
run DISPLAY="$scratch/no-x/X0" XDG_RUNTIME_DIR="$scratch" "$corvane"
expect "with a display nobody answers: one line, exit 1" \
    test "$status" -eq 1 -a -z "$out" -a "$(lines "$err")" -eq 1
[[ "$err" == *"could not connect to display"* ]] || expect "the line says why" false

((failed)) && exit 1
echo "command line answers as documented"
