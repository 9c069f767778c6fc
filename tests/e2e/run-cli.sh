#!/usr/bin/env bash
# The command-line filter of the real program, with no display at all:
# files and standard input mixed, the modes, a missing file, an input that
# is the output, usage errors, empty input, a closed or full standard output,
# --help and --version, the Turkish i; and the windows asked for without a
# display.
#
#   tests/e2e/run-cli.sh PROGRAM
set -euo pipefail
program="$(realpath "$1")"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# shellcheck source=../../scripts/xsession.sh
source "$(dirname "$0")/../../scripts/xsession.sh" # fail
work=$(mktemp -d)
xsession_on_exit rm -rf "$work"
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

echo "== --alternate goes on from file to file; --max-run 1 alternates the letters"
run 0 bash -c "'$program' -r --alternate '$work/one' - '$work/three' <'$work/two'"
[ "$(head -n1 "$work/out")" = "fIrSt fIlE: hElLo, WoRlD!" ] || fail "alternated: $(head -n1 "$work/out")"
cp "$work/out" "$work/alternated"
run 0 bash -c "cat '$work/one' '$work/two' '$work/three' | '$program' -r --alternate"
cmp -s "$work/out" "$work/alternated" || fail "the rhythm did not go on from file to file: $(cat "$work/alternated")"
run 0 bash -c "cat '$work/one' '$work/two' '$work/three' | '$program' -r --max-run 1 --seed 9"
[ "$(tr '[:upper:]' '[:lower:]' <"$work/out")" = "$(cat "$work/one" "$work/two" "$work/three" | tr '[:upper:]' '[:lower:]')" ] \
  && ! tr -cd 'A-Za-z' <"$work/out" | grep -qE '[A-Z]{2}|[a-z]{2}' || fail "--max-run 1: $(cat "$work/out")"

echo "== a file that cannot be read: reported, the others still done, status 1"
run 1 "$program" -r "$work/one" "$work/missing" "$work/three"
grep -qx "tessaly: $work/missing: No such file or directory" "$work/err" || fail "message: $(cat "$work/err")"
[ "$(tr '[:upper:]' '[:lower:]' <"$work/out")" = "$(cat "$work/one" "$work/three" | tr '[:upper:]' '[:lower:]')" ] \
  || fail "the readable files were not all written"

echo "== an input that is the output: refused, the others still done, status 1"
cp "$work/one" "$work/grown"
run 1 timeout 20 bash -c "ulimit -f 1000; '$program' -r '$work/two' '$work/grown' - <'$work/three' >>'$work/grown'"
grep -qx "tessaly: $work/grown: input file is output file" "$work/err" || fail "message: $(cat "$work/err")"
[ "$(tr '[:upper:]' '[:lower:]' <"$work/grown")" = "$(cat "$work/one" "$work/two" "$work/three" | tr '[:upper:]' '[:lower:]')" ] \
  || fail "the other inputs were not all written: $(cat "$work/grown")"
run 1 timeout 20 bash -c "ulimit -f 1000; '$program' -r <'$work/grown' >>'$work/grown'"
grep -qx "tessaly: standard input: input file is output file" "$work/err" || fail "message: $(cat "$work/err")"

echo "== usage errors (parsing is tst_commandline's): one line and the hint, status 2"
for arguments in "--frobnicate" "-r --seed twelve" "-r --alternate --max-run 2" "--max-run 3"; do
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
# From standard input, and from a file, which would otherwise be opened as
# descriptor 1 and taken for the output.
for input in "" "$work/one"; do
  status=0
  timeout 20 "$program" -r ${input:+"$input"} <"$work/one" >&- 2>"$work/err" || status=$?
  [ "$status" = 1 ] || fail "closed standard output${input:+, a file}: status $status"
  [ "$(cat "$work/err")" = "tessaly: write error: Bad file descriptor" ] \
    || fail "closed standard output${input:+, a file}: $(cat "$work/err")"
done

echo "== a reader that goes away: ends quietly, status 1, no hang"
status=0
timeout 20 bash -c "yes 'Some text to randomize' | head -c 50000000 | '$program' -r | head -c 10 >/dev/null; exit \${PIPESTATUS[2]}" \
  2>"$work/err" || status=$?
[ "$status" = 1 ] || fail "closed pipe: status $status"
[ -s "$work/err" ] && fail "closed pipe: $(cat "$work/err")"

echo "== --help and --version, and their write errors"
run 0 "$program" --help
for option in --randomize --alternate --max-run; do
  grep -q -- "$option" "$work/out" || fail "--help does not describe $option"
done
# The Unicode version the letters follow is the installed ICU's.
icu_unicode=$(sed -n 's/^#define U_UNICODE_VERSION "\(.*\)"$/\1/p' /usr/include/unicode/uchar.h)
[ -n "$icu_unicode" ] || fail "no Unicode version in ICU's headers"
grep -qF "Unicode version (here $icu_unicode," "$work/out" \
  || fail "--help does not name ICU's Unicode $icu_unicode: $(grep -A1 'Unicode version' "$work/out")"
run 0 "$program" --version
[ "$(cat "$work/out")" = "Tessaly 1.0" ] || fail "--version says $(cat "$work/out")"
for option in --help --version; do
  run 1 bash -c "'$program' $option >/dev/full"
  grep -qx "tessaly: write error: No space left on device" "$work/err" || fail "$option to a full disk: $(cat "$work/err")"
done

echo "== the dotted and dotless i where the language has them, on plain ASCII"
ii=$(printf 'i%.0s' {1..64})
II=$(printf 'I%.0s' {1..64})
run 0 env LC_ALL= LC_CTYPE= LANG=tr_TR.UTF-8 "$program" -r --seed 3 <<<"$ii
$II"
[ "$(sed -n 1p "$work/out" | sed 's/[iİ]//g')" = "" ] && sed -n 1p "$work/out" | grep -q "İ" \
  || fail "Turkish i: $(sed -n 1p "$work/out")"
[ "$(sed -n 2p "$work/out" | sed 's/[Iı]//g')" = "" ] && sed -n 2p "$work/out" | grep -q "ı" \
  || fail "Turkish I: $(sed -n 2p "$work/out")"
run 0 env LC_ALL= LC_CTYPE= LANG=en_US.UTF-8 "$program" -r --seed 3 <<<"$ii$II"
[ "$(tr -d 'iI\n' <"$work/out")" = "" ] || fail "English i: $(cat "$work/out")"

echo "== the windows without a display: said plainly, status 1"
while IFS='|' read -r setting why; do
  run 1 env $setting "$program"
  grep -qxF "tessaly: no display found ($why); 'tessaly -r' filters text without one" "$work/err" \
    || fail "no display with '$setting': $(cat "$work/err")"
done <<'EOF'
QT_QPA_PLATFORM=|neither DISPLAY nor WAYLAND_DISPLAY is set
DISPLAY=:987|DISPLAY=:987 cannot be reached
WAYLAND_DISPLAY=wayland-987|WAYLAND_DISPLAY=wayland-987 cannot be reached
QT_QPA_PLATFORM=nowhere|QT_QPA_PLATFORM=nowhere could not be started
EOF

echo "== passed"
