#!/usr/bin/env bash
# "tessaly --clipboard" natively under Wayland, in one real compositor run
# headless (tests/e2e/wayland-compositor.sh), wl-copy and wl-paste playing
# the other programs: the text comes back with its letters in drawn cases
# and nothing else changed (with a seed, exactly what "tessaly -r" makes of
# it), served in the background until another program takes the clipboard,
# while a reader that never reads holds up no other. Where the compositor
# offers data-control (sway, kwin) no window is made at all; where it does
# not (mutter, weston) a small one takes the keyboard and is gone once the
# text is set. A clipboard without text, and an owner that never answers,
# are refused with one line and status 1, the clipboard left as it was.
#
#   tests/e2e/run-clipboard-wayland.sh PROGRAM sway|kwin|mutter|weston
set -euo pipefail
program="$(realpath "$1")"
compositor=$2
here="$(dirname "$(realpath "$0")")"
# shellcheck source=wayland-compositor.sh
source "$here/wayland-compositor.sh"
server_program="$(dirname "$program")/tessaly-clipboard"

for tool in wl-copy wl-paste setpriv mkfifo /usr/bin/python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -x "$server_program" ] || fail "no tessaly-clipboard beside $program"
case "$compositor" in
sway | kwin) data_control=1 ;;
mutter | weston) data_control=0 ;;
*) fail "no such compositor: $compositor" ;;
esac

wlc_start "$compositor" || fail "could not start $compositor"
work=$wlc_work
# The build may lie where the session's user cannot reach it (a clone in
# root's home): that user runs copies of the two programs.
if [ ${#wlc_as[@]} -gt 0 ] && ! wlc_as_user test -x "$program"; then
  mkdir -m 755 "$wlc_dir/bin"
  install -m 755 "$program" "$server_program" "$wlc_dir/bin/"
  program="$wlc_dir/bin/$(basename "$program")"
  server_program="$wlc_dir/bin/tessaly-clipboard"
fi
# Under the sanitizers, what the program serving in the background reports
# (its standard error is gone by then) is kept in files.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}log_path=$work/sanitizer"
# Nothing here loads Qt: what the suite lets libwayland-client keep for Qt's
# sake would hide a proxy of ours, so no leak is let through.
[ -z "${LSAN_OPTIONS:-}" ] || export LSAN_OPTIONS=print_suppressions=0
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=$work/sanitizer"

# A step's heading, with the seconds spent so far: a run that is slow
# somewhere says where.
section() { echo "== $compositor (${SECONDS} s): $1"; }

# The processes of tessaly-clipboard in this session, one a line.
clipboard_servers() {
  local folder
  for folder in /proc/[0-9]*; do
    [ "$folder/exe" -ef "$server_program" ] 2>/dev/null || continue
    { tr '\0' '\n' <"$folder/environ"; } 2>/dev/null | grep -qxF "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" \
      && echo "${folder#/proc/}"
  done
  return 0
}

expect_no_servers() { # what-took-it
  local _
  for _ in $(seq 300); do
    [ -z "$(clipboard_servers)" ] && return 0
    sleep 0.1
  done
  fail "tessaly-clipboard still served the clipboard 30 s after $1"
}

# Whether the clipboard holds a file's bytes now.
clipboard_holds() { # file
  wlc_as_user timeout 10 wl-paste --no-newline >"$work/pasted" 2>/dev/null || true
  cmp -s "$work/pasted" "$1"
}

# Waits up to 30 s for the clipboard to hold a file's bytes (a paste that
# hangs is given up after 10 s).
expect_clipboard() { # file what
  local until=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$until" ]; do
    clipboard_holds "$1" && return 0
    sleep 0.5
  done
  fail "$2: the clipboard holds '$(head -c 200 "$work/pasted")', not '$(head -c 200 "$1")'"
}

# Whether wl-copy, by its protocol messages, set the selection and had it
# announced back: the compositor took it.
wl_copy_took_it() {
  awk '/ -> .*\.set_selection\(/ { asked = 1; next }
       asked && !/ -> / && /\.selection\(/ { taken = 1 }
       END { exit !taken }' "$work/wl-copy.log"
}

# Puts a file on the clipboard with wl-copy, under a type if given, and
# returns once the clipboard holds it; copy_owner is the wl-copy serving
# it (in the foreground, so that it is ours to stop). Without data-control
# wl-copy needs the keyboard on a window of its own, and a paste (which
# makes a window too) must not take it before wl-copy has set the text, so
# the clipboard is looked at only once the compositor took it. A wl-copy
# that was not given the keyboard in time is tried again.
copy_owner=""
copy_in() { # file [type]
  local _ attempt
  for attempt in 1 2 3 4 5; do
    WAYLAND_DEBUG=1 "${wlc_as[@]}" wl-copy --foreground ${2:+--type "$2"} <"$1" >/dev/null 2>"$work/wl-copy.log" &
    copy_owner=$!
    wlc_pids+=("$copy_owner")
    for _ in $(seq 100); do
      wl_copy_took_it && break
      kill -0 "$copy_owner" 2>/dev/null || break
      sleep 0.1
    done
    if wl_copy_took_it; then
      if [ -n "${2:-}" ]; then
        wlc_as_user timeout 10 wl-paste --list-types 2>/dev/null | grep -qxF "$2" && return 0
      else
        clipboard_holds "$1" && return 0
      fi
    fi
    echo "   wl-copy, try $attempt at ${SECONDS} s: not taken: $(grep -v '^\[' "$work/wl-copy.log" | head -n 2)" >&2
    kill "$copy_owner" 2>/dev/null || true
    wait "$copy_owner" 2>/dev/null || true
  done
  fail "wl-copy did not take the clipboard in $attempt tries: $(grep -v '^\[' "$work/wl-copy.log" | head -n 5)"
}

# wl-copy keeps its text in a folder of its own in /tmp, which it removes
# when another program takes the clipboard but not when it is killed: the
# last one is made to end that way, by one that serves a single paste.
release_copy_owner() {
  local _ last
  [ -n "$copy_owner" ] && kill -0 "$copy_owner" 2>/dev/null || return 0
  kill -CONT "$copy_owner" 2>/dev/null || true
  printf end | "${wlc_as[@]}" timeout 20 wl-copy --foreground --paste-once >/dev/null 2>&1 &
  last=$!
  for _ in $(seq 100); do
    kill -0 "$copy_owner" 2>/dev/null || break
    sleep 0.1
  done
  for _ in $(seq 10); do
    kill -0 "$last" 2>/dev/null || break
    wlc_as_user timeout 5 wl-paste >/dev/null 2>&1 || true
  done
  wait "$last" 2>/dev/null || true
}
wlc_on_exit release_copy_owner

# Empties the clipboard, tried again as wl-copy is.
clear_clipboard() {
  local _ attempt
  for attempt in 1 2 3 4 5; do
    wlc_as_user timeout 10 wl-copy --clear || true
    for _ in $(seq 10); do
      wlc_as_user timeout 10 wl-paste --list-types >/dev/null 2>&1 || return 0
      sleep 0.5
    done
  done
  fail "wl-copy --clear left the clipboard holding $(wlc_as_user timeout 10 wl-paste --list-types | tr '\n' ' ')"
}

# Latin with diacritics, Greek with its final sigma, Deseret past the BMP,
# a titlecase digraph, letters without case, line breaks; many lines, more
# than pipes hold, so that a reader that stops reading fills its pipe.
/usr/bin/python3 - "$work/text" <<'PY'
import sys
line = "Héllo, Wörld! Ελληνικά γράμματα, ς; 𐐨𐐩𐐪 ǅ ß 日本語 — THE quick fox\n"
open(sys.argv[1], "w", encoding="utf-8", newline="").write(line * 4000 + "last line")
PY
"$program" -r --seed 7 <"$work/text" >"$work/expected"
cmp -s "$work/text" "$work/expected" && fail "tessaly -r changed nothing"
chmod 644 "$work/text" "$work/expected"

section "with a seed, exactly what 'tessaly -r' makes of the text, and back at once"
copy_in "$work/text"
# A reader of the command's output waits for everything that holds it open:
# the program serving in the background must not. Its protocol messages
# show how it reached the clipboard (it keeps standard error until the text
# is set).
{
  status=0
  WAYLAND_DEBUG=1 wlc_as_user timeout 60 "$program" --clipboard --seed 7 </dev/null 2>"$work/protocol" || status=$?
  echo "status $status"
} | timeout 60 cat >"$work/printed" || fail "the program serving the clipboard held the command's output open"
[ "$(cat "$work/printed")" = "status 0" ] \
  || fail "'tessaly --clipboard --seed 7' said: $(cat "$work/printed"); $(grep -v '^\[' "$work/protocol" | head -n 5)"
expect_clipboard "$work/expected" "after tessaly --clipboard"

section "how it reached the clipboard"
# libwayland 1.22 and later name the queue and write object#id, not object@id.
requests() { grep -E "^\[ *[0-9.]+\] +(\{[^}]*\} +)?-> ${1//@/[@#]}" "$work/protocol"; }
if [ "$data_control" = 1 ]; then
  set_by=$(requests '[a-z_]*data_control_device_v1@[0-9]+\.set_selection\(') \
    || fail "no data-control set_selection among the program's requests"
  echo "   set through $(grep -m 1 -oE '[a-z_]*data_control_device_v1' <<<"$set_by")"
  # What the program asked for, not what the compositor announced.
  if made=$(requests '.*(xdg_toplevel|get_xdg_surface|create_surface)'); then
    fail "a surface was made where data-control is offered: $(head -n 1 <<<"$made")"
  fi
else
  requests 'xdg_toplevel@[0-9]+\.set_title\("Tessaly"\)' >/dev/null || fail "no window titled Tessaly"
  requests 'xdg_toplevel@[0-9]+\.set_app_id\("org\.morvane\.Tessaly"\)' >/dev/null \
    || fail "the window has not the program's app id"
  smallest=$(requests 'xdg_toplevel@[0-9]+\.set_min_size' | sed 's/.*set_min_size//')
  largest=$(requests 'xdg_toplevel@[0-9]+\.set_max_size' | sed 's/.*set_max_size//')
  [ -n "$smallest" ] && [ "$smallest" = "$largest" ] \
    || fail "the window's minimum size '$smallest' is not its maximum '$largest'"
  requests 'wl_data_device@[0-9]+\.set_selection\(' >/dev/null || fail "no set_selection on the core data device"
  # Gone once the text is set, before the program reported.
  requests 'xdg_toplevel@[0-9]+\.destroy\(' >/dev/null || fail "the window was not destroyed once the text was set"
  requests 'wl_surface@[0-9]+\.destroy\(' >/dev/null || fail "the surface was not destroyed once the text was set"
fi

section "served in the background, a reader that never reads holding up no other"
servers=$(clipboard_servers)
[ "$(wc -w <<<"$servers")" = 1 ] || fail "not one tessaly-clipboard serving the clipboard: '$servers'"
# A wl-paste that writes to a pipe nobody reads, and so stops reading ours
# with most of the text still to come: once that pipe is full, it is stuck.
mkfifo -m 666 "$work/stuck"
/usr/bin/python3 -c '
import array, fcntl, os, sys, termios, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NONBLOCK)
pending = array.array("i", [0])
while True:
    fcntl.ioctl(fd, termios.FIONREAD, pending)
    if pending[0] >= 65536:
        break
    time.sleep(0.05)
print("full", flush=True)
time.sleep(600)
' "$work/stuck" >"$work/stuck-full" &
holder=$!
wlc_pids+=("$holder")
"${wlc_as[@]}" wl-paste --no-newline >"$work/stuck" 2>/dev/null &
stuck_reader=$!
wlc_pids+=("$stuck_reader")
for _ in $(seq 300); do
  [ -s "$work/stuck-full" ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/stuck-full" ] || fail "the reader that does not read did not get the text's first 64 KiB"
expect_clipboard "$work/expected" "with a reader stuck"
# A paste later gets it too.
sleep 3
expect_clipboard "$work/expected" "3 s later"
[ "$(clipboard_servers)" = "$servers" ] || fail "tessaly-clipboard stopped serving by itself"
printf other >"$work/other"
copy_in "$work/other"
expect_no_servers "wl-copy took the clipboard"
# Where the paste needs a window, the stuck reader's could take the
# keyboard back from the next client's: it is done with.
kill "$stuck_reader" "$holder" 2>/dev/null || true
wait "$stuck_reader" "$holder" 2>/dev/null || true

section "a clipboard without text is refused"
refused() { # what
  local status=0
  wlc_as_user timeout 60 "$program" --clipboard --seed 7 </dev/null >"$work/printed" 2>&1 || status=$?
  [ "$status" != 124 ] || fail "$1: the program did not end within 60 s"
  [ "$status" = 1 ] || fail "$1 gave status $status: $(cat "$work/printed")"
  [ "$(cat "$work/printed")" = "tessaly: the clipboard holds no text" ] || fail "$1 gave: $(cat "$work/printed")"
  [ -z "$(clipboard_servers)" ] || fail "tessaly-clipboard serves after refusing $1"
}
# Weston keeps a copy of the last text (a clipboard manager of its own) when
# the clipboard is cleared: there it is never empty.
if [ "$compositor" != weston ]; then
  clear_clipboard
  refused "an empty clipboard"
fi
printf '\x89PNG\r\n\x1a\n' >"$work/image"
copy_in "$work/image" image/png
refused "an image"

section "an owner that never answers is given up"
printf held >"$work/held"
copy_in "$work/held"
kill -STOP "$copy_owner"
status=0
wlc_as_user timeout 60 "$program" --clipboard --seed 7 </dev/null >"$work/printed" 2>&1 || status=$?
kill -CONT "$copy_owner"
[ "$status" = 1 ] || fail "a silent owner gave status $status: $(cat "$work/printed")"
[ "$(cat "$work/printed")" = "tessaly: the program that holds the clipboard did not answer" ] \
  || fail "a silent owner gave: $(cat "$work/printed")"
expect_clipboard "$work/held" "after giving up"
[ -z "$(clipboard_servers)" ] || fail "tessaly-clipboard serves after giving up"

if compgen -G "$work/sanitizer*" >/dev/null; then
  cat "$work"/sanitizer* >&2
  fail "the sanitizers reported on tessaly-clipboard"
fi
echo "== passed: tessaly --clipboard under $compositor in ${SECONDS} s"
