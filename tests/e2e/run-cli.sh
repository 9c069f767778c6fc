#!/usr/bin/env bash
# The command-line filter of the real program, with no display at all:
# files and standard input mixed, a missing file, usage errors, empty input,
# a closed standard output, --help and --version.
#
#   tests/e2e/run-cli.sh PROGRAM
set -euo pipefail
program="$(realpath "$1")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
run() { # expected-status command...
  local expected="$1"
  shift
  local status=0
  "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = "$expected" ] || fail "'$*' ended with $status, not $expected ($(cat "$work/err"))"
}

printf 'First file: Hello, World!\n' >"$work/one"
printf 'Second, from standard input.\n' >"$work/two"
printf 'Third file, the last.\n' >"$work/three"

echo "== files and standard input, in turn"
run 0 bash -c "'$program' --randomize --seed 5 '$work/one' - '$work/three' <'$work/two'"
[ "$(tr '[:upper:]' '[:lower:]' <"$work/out")" = "$(cat "$work/one" "$work/two" "$work/three" | tr '[:upper:]' '[:lower:]')" ] \
  || fail "the output is not the three texts in turn: $(cat "$work/out")"
cp "$work/out" "$work/seeded"
run 0 bash -c "cat '$work/one' '$work/two' '$work/three' | '$program' -r --seed 5"
cmp -s "$work/out" "$work/seeded" || fail "the same seed and text gave another output"
run 0 bash -c "cat '$work/one' '$work/two' '$work/three' | '$program' -r --seed=6"
cmp -s "$work/out" "$work/seeded" && fail "another seed gave the same output"

echo "== a file that cannot be read: reported, the others still done, status 1"
run 1 "$program" -r "$work/one" "$work/missing" "$work/three"
grep -qx "tessaly: $work/missing: No such file or directory" "$work/err" || fail "message: $(cat "$work/err")"
[ "$(tr '[:upper:]' '[:lower:]' <"$work/out")" = "$(cat "$work/one" "$work/three" | tr '[:upper:]' '[:lower:]')" ] \
  || fail "the readable files were not all written"

echo "== usage errors: one line and the hint, status 2"
for arguments in "--frobnicate" "-r --seed" "-r --seed twelve" "-x"; do
  # shellcheck disable=SC2086
  run 2 "$program" $arguments
  [ "$(wc -l <"$work/err")" = 2 ] && grep -q "^Try 'tessaly --help'" "$work/err" \
    || fail "'$arguments': $(cat "$work/err")"
  [ -s "$work/out" ] && fail "'$arguments' wrote to standard output"
done

echo "== empty input gives empty output"
: >"$work/empty"
run 0 "$program" -r <"$work/empty"
[ -s "$work/out" ] && fail "empty input gave output"

echo "== a closed standard output: a message and status 1, no hang"
status=0
timeout 20 "$program" -r <"$work/one" >&- 2>"$work/err" || status=$?
[ "$status" = 1 ] || fail "closed standard output: status $status"
grep -q "^tessaly: write error" "$work/err" || fail "closed standard output: $(cat "$work/err")"

echo "== a reader that goes away: ends quietly, status 1, no hang"
status=0
timeout 20 bash -c "yes 'Some text to randomize' | head -c 50000000 | '$program' -r | head -c 10 >/dev/null; exit \${PIPESTATUS[2]}" \
  2>"$work/err" || status=$?
[ "$status" = 1 ] || fail "closed pipe: status $status"
[ -s "$work/err" ] && fail "closed pipe: $(cat "$work/err")"

echo "== --help and --version"
run 0 "$program" --help
grep -q -- "--randomize" "$work/out" || fail "--help does not describe --randomize"
run 0 "$program" --version
[ "$(cat "$work/out")" = "Tessaly 1.0" ] || fail "--version says $(cat "$work/out")"

echo "== passed"
