#!/usr/bin/env bash
# "tessaly --clipboard" in a private X server with no clipboard manager,
# xclip playing the other programs: the text comes back with its letters in
# drawn cases and nothing else changed (with a seed, exactly what "tessaly
# -r" makes of it, bytes that are not UTF-8 too); the command returns at
# once while the program serves the clipboard on its own, until another
# program takes it, also when started with its standard streams closed; an
# empty clipboard, an image, an owner that never answers and a missing
# display are refused with one line and status 1, the clipboard left as it
# was. Then with a clipboard manager that confirms the hand-over (a
# stand-in, KEEPER): it is handed the text and the program ends; with
# Debian's xfce4-clipman, which does not confirm it: the text stays
# pasteable, ten runs of ten.
#
#   tests/e2e/run-clipboard.sh PROGRAM SOURCE_FOLDER KEEPER
set -euo pipefail
program="$(realpath "$1")"
source_folder="$(realpath "$2")"
# shellcheck source=../../scripts/xsession.sh
source "$source_folder/scripts/xsession.sh"
clipboard_program="$(dirname "$program")/tessaly-clipboard"
keeper="$(realpath "$3")"

for tool in Xvfb xclip python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -x "$clipboard_program" ] || fail "no tessaly-clipboard beside $program"

xsession_start || fail "could not start Xvfb"
# The X11 clipboard, whatever session the test run was given.
unset WAYLAND_DISPLAY WAYLAND_SOCKET
work="$xsession_dir/work"
mkdir "$work"

# Puts a file on the clipboard as xclip does, under a type if given, and
# returns once xclip holds it (not the owner before it, which may still
# answer while xclip reads a large file); clipboard_owner is xclip's process.
clipboard_owner=""
clipboard_put() { # file [type]
  local before
  before=$("$keeper" --owned CLIPBOARD || true)
  xclip -quiet -selection clipboard ${2:+-t "$2"} -in <"$1" >/dev/null 2>&1 &
  clipboard_owner=$!
  xsession_extra_pids+=("$clipboard_owner")
  local _ now
  for _ in $(seq 300); do
    now=$("$keeper" --owned CLIPBOARD || true)
    if [ -n "$now" ] && [ "$now" != "$before" ] \
      && [ "$(xclip -selection clipboard -out -t TARGETS 2>/dev/null | grep -cx "${2:-UTF8_STRING}")" = 1 ]; then
      return 0
    fi
    sleep 0.1
  done
  fail "xclip did not take the clipboard"
}

# Whether a process runs (one that ended and was not reaped yet does not).
running() { # pid
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]
}

# The processes of the clipboard's program on this display, one a line (a
# process that ended and was not reaped has no program any more).
clipboard_servers() {
  local folder
  for folder in /proc/[0-9]*; do
    [ "$folder/exe" -ef "$clipboard_program" ] 2>/dev/null || continue
    { tr '\0' '\n' <"$folder/environ"; } 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY" && echo "${folder#/proc/}"
  done
  return 0
}

# Waits up to 60 s for the program serving the clipboard to end.
expect_serving_ends() { # what-took-it
  local _
  for _ in $(seq 600); do
    [ -z "$(clipboard_servers)" ] && return 0
    sleep 0.1
  done
  fail "the program still served the clipboard 60 s after $1"
}

python3 - "$work/text" <<'PY'
import sys
# Latin with diacritics, Greek with its final sigma, Cyrillic, Armenian,
# a titlecase digraph, Deseret past the BMP; letters without case, digits,
# punctuation, an emoji, a tab and line endings.
text = ("Hello, Wörld! Ελληνικά γράμματα, ς; кириллица и Ёё. Հայերեն ǅ ǈ ß ﬁ 123 — 𐐨𐐩𐐪 日本語 😀\t"
        "THE QUICK brown fox\r\njumps over the lazy dog\n")
open(sys.argv[1], "w", encoding="utf-8", newline="").write(text)
PY

echo "== with a seed: exactly what 'tessaly -r' makes of the text, and back at once"
clipboard_put "$work/text"
first_owner=$clipboard_owner
# A reader of the command's output and errors waits for everything that
# holds them open: the program serving in the background must not.
{ timeout 60 "$program" --clipboard --seed 7 </dev/null; echo "status $?"; } 2>&1 | timeout 60 cat >"$work/printed" \
  || fail "the program serving the clipboard held the command's output open: $(cat "$work/printed")"
[ "$(cat "$work/printed")" = "status 0" ] || fail "'tessaly --clipboard --seed 7' said: $(cat "$work/printed")"
"$program" -r --seed 7 <"$work/text" >"$work/expected"
xclip -selection clipboard -out >"$work/got" 2>/dev/null || true
cmp -s "$work/got" "$work/expected" || fail "the clipboard holds $(cat "$work/got"), not $(cat "$work/expected")"

echo "== serving the clipboard in the background, until another program takes it"
servers=$(clipboard_servers)
[ "$(wc -w <<<"$servers")" = 1 ] || fail "not one program serving the clipboard: '$servers'"
# A terminal that closes hangs up on its session, not on another.
[ "$(ps -o sid= -p "$servers" | tr -d ' ')" = "$servers" ] || fail "the program serving is not in a session of its own"
running "$first_owner" && fail "xclip still holds the clipboard it was given"
# Text selected elsewhere changes the primary selection, not the clipboard.
# The program takes events in turn: once it has answered after that change
# (twice, the second time after any end it began), it has seen it.
xclip -quiet -selection primary -in <"$work/text" >/dev/null 2>&1 &
xsession_extra_pids+=("$!")
for _ in $(seq 300); do
  xclip -selection primary -out >/dev/null 2>&1 && break
  sleep 0.1
done
for _ in 1 2; do
  xclip -selection clipboard -out >"$work/again" 2>/dev/null || true
  cmp -s "$work/again" "$work/expected" \
    || fail "after a change of the primary selection, the clipboard holds '$(cat "$work/again")'"
done
[ "$(clipboard_servers)" = "$servers" ] || fail "the program stopped serving when the primary selection changed"
clipboard_put "$work/text"
expect_serving_ends "xclip took the clipboard"

echo "== without a seed: the letters in drawn cases, nothing else changed"
run_clipboard() { # expected-status arguments...
  local expected="$1" status=0
  shift
  timeout 60 "$program" "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
  [ "$status" = "$expected" ] || fail "'tessaly $*' ended with $status, not $expected: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "'tessaly $*' wrote to standard output: $(cat "$work/out")"
}
# Started with its standard input and output closed, as a launcher may.
status=0
timeout 60 "$program" -c <&- >&- 2>"$work/err" || status=$?
[ "$status" = 0 ] || fail "'tessaly -c' with its standard streams closed ended with $status: $(cat "$work/err")"
xclip -selection clipboard -out >"$work/got"
python3 - "$work/text" "$work/got" <<'PY' || fail "the clipboard's text: $(cat "$work/got")"
import sys, unicodedata
before = open(sys.argv[1], encoding="utf-8", newline="").read()
after = open(sys.argv[2], encoding="utf-8", newline="").read()
if len(before) != len(after):
    sys.exit(f"{len(before)} code points went in, {len(after)} came out")
changed = kept = 0
for was, now in zip(before, after):
    if unicodedata.category(was)[0] != "L" or was == now:
        if was != now:
            sys.exit(f"{was!r}, not a letter, came out as {now!r}")
        if was.upper() != was.lower() and len(was.upper()) == 1:
            kept += 1
        continue
    if now not in (was.upper(), was.lower()):
        sys.exit(f"{was!r} came out as {now!r}, not one of its cases")
    changed += 1
# Over fifty letters with two cases: all kept or all changed is a draw
# that does not happen.
if not changed or not kept:
    sys.exit(f"{changed} letters changed case, {kept} kept it: no draw")
PY
clipboard_put "$work/text"
expect_serving_ends "xclip took the clipboard"

echo "== nothing to take: one line, status 1, the clipboard as it was"
: >"$work/empty"
for what in empty image; do
  if [ "$what" = empty ]; then
    clipboard_put "$work/empty"
  else
    clipboard_put "$source_folder/resources/logo.png" image/png
  fi
  xclip -selection clipboard -out -t TARGETS >"$work/targets-before"
  run_clipboard 1 --clipboard
  [ "$(cat "$work/err")" = "tessaly: the clipboard holds no text" ] || fail "$what: $(cat "$work/err")"
  [ -z "$(clipboard_servers)" ] || fail "$what: the program stayed"
  xclip -selection clipboard -out -t TARGETS >"$work/targets"
  cmp -s "$work/targets" "$work/targets-before" && running "$clipboard_owner" \
    || fail "$what: xclip lost the clipboard, which now offers $(tr '\n' ' ' <"$work/targets")"
done
xclip -selection clipboard -t image/png -out >"$work/picture"
cmp -s "$work/picture" "$source_folder/resources/logo.png" || fail "the image on the clipboard changed"

echo "== an owner that never answers: said within 5 s, status 1, the clipboard its"
"$keeper" --silent >"$work/silent.log" 2>&1 &
silent_owner=$!
xsession_extra_pids+=("$silent_owner")
for _ in $(seq 300); do
  grep -qx ready "$work/silent.log" && break
  sleep 0.1
done
started=$(date +%s%N)
run_clipboard 1 --clipboard
took=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$(cat "$work/err")" = "tessaly: the program that holds the clipboard did not answer" ] \
  || fail "a silent owner: $(cat "$work/err")"
[ "$took" -lt 5000 ] || fail "a silent owner: said so after $took ms"
[ -z "$(clipboard_servers)" ] || fail "a silent owner: the program stayed"
kill "$silent_owner"

echo "== bytes that are not UTF-8: kept as 'tessaly -r' keeps them"
printf 'caf\xe9 \xff\xfeLatin-1 and \xc3( broken, then W\xc3\xb6rld\n' >"$work/bytes"
clipboard_put "$work/bytes"
run_clipboard 0 --clipboard --seed 5
"$program" -r --seed 5 <"$work/bytes" >"$work/expected"
xclip -selection clipboard -out >"$work/got"
cmp -s "$work/got" "$work/expected" || fail "bytes that are not UTF-8 came back as $(od -c "$work/got" | head -3)"
clipboard_put "$work/text"
expect_serving_ends "xclip took the clipboard"

echo "== 40 MiB, in pieces both ways, and 70 MiB refused, the clipboard untouched"
python3 - "$work/text" "$work/large" "$work/huge" <<'PY'
import sys
line = open(sys.argv[1], "rb").read()
open(sys.argv[2], "wb").write(line * (40 * 1024 * 1024 // len(line)))
open(sys.argv[3], "wb").write(line * (70 * 1024 * 1024 // len(line)))
PY
clipboard_put "$work/large"
run_clipboard 0 --clipboard --seed 13
"$program" -r --seed 13 <"$work/large" >"$work/expected"
xclip -selection clipboard -out >"$work/got"
cmp -s "$work/got" "$work/expected" || fail "40 MiB: the clipboard holds $(wc -c <"$work/got") other bytes"
clipboard_put "$work/huge"
run_clipboard 1 --clipboard
[ "$(cat "$work/err")" = "tessaly: the clipboard holds more than 64 MiB of text" ] || fail "70 MiB: $(cat "$work/err")"
running "$clipboard_owner" || fail "70 MiB: xclip lost the clipboard"
rm -f "$work/large" "$work/huge" "$work/got" "$work/expected"
clipboard_put "$work/text"
expect_serving_ends "xclip took the clipboard"

echo "== standard error closed, as some launchers start it: works, pasteable"
clipboard_put "$work/text"
status=0
timeout 60 "$program" --clipboard --seed 11 </dev/null >/dev/null 2>&- || status=$?
[ "$status" = 0 ] || fail "'tessaly -c' with standard error closed ended with $status"
"$program" -r --seed 11 <"$work/text" >"$work/expected"
timeout 10 xclip -selection clipboard -out >"$work/got" || fail "with standard error closed, the paste hung or failed"
cmp -s "$work/got" "$work/expected" || fail "with standard error closed, the clipboard holds $(cat "$work/got")"
clipboard_put "$work/text"
expect_serving_ends "xclip took the clipboard"

echo "== no display: said plainly, status 1"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$program" --clipboard >"$work/out" 2>"$work/err" \
  || status=$?
[ "$status" = 1 ] || fail "no display: status $status"
grep -qxF "tessaly: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); 'tessaly -r' filters text without one" \
  "$work/err" || fail "no display: $(cat "$work/err")"

echo "== with a clipboard manager: handed the text, then the program ends"
"$keeper" >"$work/keeper.log" 2>&1 &
xsession_extra_pids+=("$!")
for _ in $(seq 300); do
  grep -qx ready "$work/keeper.log" && break
  sleep 0.1
done
grep -qx ready "$work/keeper.log" || fail "the clipboard manager did not start: $(cat "$work/keeper.log")"
clipboard_put "$work/text"
run_clipboard 0 --clipboard --seed 9
# It ends on the manager's answer alone: the manager takes the clipboard
# only once the program has gone.
expect_serving_ends "the manager said it holds the text"
grep -qx saved "$work/keeper.log" || fail "the clipboard manager was not handed the text: $(cat "$work/keeper.log")"
for _ in $(seq 100); do
  grep -qx holding "$work/keeper.log" && break
  sleep 0.1
done
"$program" -r --seed 9 <"$work/text" >"$work/expected"
xclip -selection clipboard -out >"$work/got"
cmp -s "$work/got" "$work/expected" || fail "the clipboard manager holds $(cat "$work/got")"

# The stand-in goes: one manager at a time.
pkill -f "^$keeper\$" 2>/dev/null || true

echo "== with xfce4-clipman, which does not confirm the hand-over: served, pasteable, 10 runs of 10"
if command -v xfce4-clipman >/dev/null; then
  # Its settings live on the session bus.
  bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
  export DBUS_SESSION_BUS_ADDRESS="${bus%%$'\n'*}"
  xsession_extra_pids+=("${bus##*$'\n'}")
  XDG_CONFIG_HOME="$work/config" xfce4-clipman >"$work/clipman.log" 2>&1 &
  xsession_extra_pids+=("$!")
  for _ in $(seq 300); do
    "$keeper" --owned CLIPBOARD_MANAGER >/dev/null && break
    sleep 0.1
  done
  "$keeper" --owned CLIPBOARD_MANAGER >/dev/null \
    || fail "xfce4-clipman did not take CLIPBOARD_MANAGER: $(cat "$work/clipman.log")"
  for run in $(seq 10); do
    printf 'run %s: Managed text, kept by the manager\n' "$run" >"$work/managed"
    clipboard_put "$work/managed"
    run_clipboard 0 --clipboard --seed "$run"
    "$program" -r --seed "$run" <"$work/managed" >"$work/expected"
    xclip -selection clipboard -out >"$work/got"
    cmp -s "$work/got" "$work/expected" || fail "run $run with xfce4-clipman: the clipboard holds $(cat "$work/got")"
    # Still there after the manager had time to do whatever it does.
    sleep 2
    xclip -selection clipboard -out >"$work/got"
    cmp -s "$work/got" "$work/expected" || fail "run $run with xfce4-clipman: 2 s later the clipboard holds $(cat "$work/got")"
  done
  clipboard_put "$work/text"
  expect_serving_ends "xclip took the clipboard"
else
  fail "xfce4-clipman is missing (scripts/install-deps.sh installs it)"
fi
echo "== passed"
