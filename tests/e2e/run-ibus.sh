#!/usr/bin/env bash
# Tessaly as an IBus input method, typed into with xdotool: a real
# ibus-daemon on a private session bus in Xvfb, its components from the
# build's folder (the engine from the build) and Debian's own, a GTK 3
# window (tests/e2e/ime_entries.py) and a Qt line edit (LINE_EDIT), each
# through its IBus input module. With a seed the entry holds exactly what
# "tessaly -r --seed N" writes for the same keys, the stream going on from
# one window to the next; Ctrl+A then a letter replaces the selection; a
# dead key and Compose compose, the letter in its drawn case; a key held down takes a
# drawn case for each repeat; a password and a PIN entry get the plain
# letters; the engine killed while keys come: the letters before it in
# drawn case, the
# rest plain, none doubled and at most the one in flight lost, and the
# entry still takes keys; a second engine is refused; a mode chosen from the
# engine's menu holds and is kept across a restart; IBus ended while typing:
# the engine goes, the entry takes plain keys, and Tessaly again once IBus
# is back; the layout engine types plain text.
#
#   tests/e2e/run-ibus.sh TESSALY COMPONENT_FOLDER LINE_EDIT
#
# (TESSALY is the filter the expected text comes from; the engine is the
# one the component file in COMPONENT_FOLDER names.)
set -euo pipefail
program="$(realpath "$1")"
components="$(realpath "$2")"
line_edit="$(realpath "$3")"
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=../../scripts/xsession.sh
source "$here/../../scripts/xsession.sh"
# shellcheck source=ibus-session.sh
source "$here/ibus-session.sh"
# The engine the component file starts.
engine=$(sed -n 's|.*<exec>\(.*\) --ibus</exec>.*|\1|p' "$components/tessaly.xml")
# Debian's own python3, which python3-gi is installed for.
python=/usr/bin/python3

for tool in Xvfb dbus-daemon ibus-daemon ibus xdotool xmodmap "$python"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -x "$engine" ] || fail "the component file starts no engine: \"$engine\""
"$python" -c 'import gi; gi.require_version("Gtk", "3.0"); gi.require_version("IBus", "1.0")' 2>/dev/null \
  || fail "python3-gi with GTK 3 and IBus is missing (scripts/install-deps.sh installs it)"

export TESSALY_IBUS_SEED=7
seed=$TESSALY_IBUS_SEED
ibus_session_start "$components"
# An engine that outlived its daemon (the fault a check below looks for).
xsession_on_exit 'kill "$engine_pid" 2>/dev/null'
work="$xsession_dir/work"
mkdir "$work"
settings="$XDG_CONFIG_HOME/tessaly/input-method.conf"

# What the engine gives for every key typed since it started (letters and
# spaces, the stream "tessaly -r" reads); gave: the part the last keys
# gave.
stream=""
mode_options=()
gave=""
engine_gives() { # text
  stream+="$1"
  local all
  all=$(printf '%s' "$stream" | "$program" -r --seed "$seed" "${mode_options[@]}") || fail "tessaly -r failed"
  gave="${all: -${#1}}"
}

wait_for_text() { # file expected what
  local _ got=""
  for _ in $(seq 400); do
    got=$(cat "$1" 2>/dev/null || true)
    [ "$got" = "$2" ] && return 0
    sleep 0.05
  done
  fail "$3: the entry holds \"$got\", not \"$2\""
}

# The same for keys typed at once after the engine (re)started: IBus is
# still attaching the new engine to the entry's context as they come and may
# drop the commits of the first one or two (their cases drawn all the same,
# seen on a busy machine). What comes is the rest of the stream, in order.
wait_for_text_after_start() { # file prefix what
  local _ got="" last="" steady=0 lost
  for _ in $(seq 400); do
    got=$(cat "$1" 2>/dev/null || true)
    [ "$got" = "$2$gave" ] && return 0
    if [ "$got" = "$last" ]; then steady=$((steady + 1)); else steady=0 last=$got; fi
    if [ "$steady" -ge 40 ]; then # two seconds without a change
      for lost in 1 2; do
        if [ "$got" = "$2${gave:lost}" ]; then
          echo "   (the first $lost key(s) went while IBus attached the engine)"
          return 0
        fi
      done
    fi
    sleep 0.05
  done
  fail "$3: the entry holds \"$got\", not \"$2$gave\""
}

focus() { # window
  xdotool windowfocus --sync "$1" || fail "could not focus window $1"
}

start_window() { # output command...
  local _ window=""
  "${@:2}" >"$work/$1.id" 2>>"$xsession_dir/program.log" &
  xsession_extra_pids+=("$!")
  for _ in $(seq 400); do
    window=$(head -n1 "$work/$1.id" 2>/dev/null || true)
    [ -n "$window" ] && break
    sleep 0.05
  done
  [ -n "$window" ] || fail "the $1 window did not come up"
  echo "$window"
}

typed() { # keys... (xdotool type)
  xdotool type --delay 20 "$@"
}

# Qt's IBus module can hand two quick keys to the line edit the wrong way
# round on a busy machine, whichever the engine (it takes some answers at
# once and others later): into Qt the keys go one at a time, each once the
# one before is in, from an empty line.
typed_one_by_one() { # file text
  xdotool key ctrl+a BackSpace
  wait_for_text "$1" "" "emptied"
  local i _ got
  for ((i = 0; i < ${#2}; i++)); do
    xdotool type "${2:i:1}"
    for _ in $(seq 400); do
      got=$(cat "$1" 2>/dev/null || true)
      [ ${#got} -gt "$i" ] && break
      sleep 0.02
    done
  done
}

use_tessaly
echo "== a second engine is refused"
second=0
timeout 30 "$engine" --ibus >"$work/second.log" 2>&1 || second=$?
[ "$second" = 1 ] && grep -q 'another engine is running already' "$work/second.log" \
  || fail "a second engine ended with status $second: $(cat "$work/second.log")"
kill -0 "$engine_pid" 2>/dev/null || fail "the first engine ended"

gtk=$(start_window gtk "$python" "$here/ime_entries.py" "$work")
qt=$(start_window qt "$line_edit" "$work/qt")

echo "== GTK: the seed's cases, key by key"
focus "$gtk"
typed "hello world"
engine_gives "hello world"
wait_for_text "$work/plain" "$gave" "GTK, typed with a seed"
echo "   $(cat "$work/plain")"
# Shortcuts are the application's: Ctrl+A selects, the next letter replaces.
xdotool key ctrl+a
typed "ok"
engine_gives "ok"
wait_for_text "$work/plain" "$gave" "GTK, Ctrl+A then typing"

echo "== a dead key and Compose compose, in the letter's drawn case"
# Two spare key codes give the dead acute and Compose.
spares=($(xmodmap -pke | awk '$1 == "keycode" && NF == 3 { print $2 }' | tail -n 2))
[ ${#spares[@]} = 2 ] || fail "no two spare key codes for the dead key and Compose"
xmodmap -e "keycode ${spares[0]} = dead_acute" -e "keycode ${spares[1]} = Multi_key" \
  || fail "xmodmap could not map the dead key and Compose"
xdotool key ctrl+a dead_acute e dead_acute e Multi_key apostrophe e
engine_gives "ee'e"
# Where the seed drew both e alike, a composed letter that kept its typed
# case could pass.
[ "${gave:0:2}" = eE ] || [ "${gave:0:2}" = Ee ] || fail "seed $seed draws \"$gave\" for ee: choose another"
composed=${gave//\'/}
composed=${composed//e/é}
wait_for_text "$work/plain" "${composed//E/É}" "dead acute then e, twice, then Compose ' e"
echo "   $(cat "$work/plain")"

echo "== a key held down: a drawn case for each repeat"
xdotool key ctrl+a BackSpace
wait_for_text "$work/plain" "" "GTK, emptied"
xdotool keydown r
sleep 1.5
xdotool keyup r
# (How many repeats varies: it comes last before the engine starts anew.)
# Settled once it has not changed for half a second.
held=""
for _ in $(seq 40); do
  sleep 0.5
  [ "$(cat "$work/plain")" = "$held" ] && break
  held=$(cat "$work/plain")
done
[ ${#held} -ge 5 ] || fail "a key held down 1.5 s gave \"$held\": no auto-repeat"
engine_gives "$(printf "r%.0s" $(seq ${#held}))"
[ "$held" = "$gave" ] || fail "a key held down gave \"$held\", not \"$gave\""
case "$gave" in *r*R* | *R*r*) ;; *) fail "seed $seed draws \"$gave\" all alike: choose another" ;; esac
echo "   $held"

echo "== the engine killed while keys come"
word=abcdefghijklmnopqrstuvwxyz
xdotool key ctrl+a BackSpace
wait_for_text "$work/plain" "" "GTK, emptied"
engine_gives "$word"
drawn=$gave
xdotool type --delay 100 "$word" &
typing=$!
for _ in $(seq 1000); do
  got=$(cat "$work/plain")
  [ ${#got} -ge 4 ] && break
  sleep 0.01
done
kill -9 "$engine_pid"
wait "$typing" || fail "xdotool failed"
typed " end"
for _ in $(seq 400); do
  case "$(cat "$work/plain")" in *" end") break ;; esac
  sleep 0.05
done
"$python" - "$(cat "$work/plain")" "$drawn" "$word" <<'PY' || fail "after the kill: $(cat "$work/plain")"
import sys
got, drawn, word = sys.argv[1:]
assert got.endswith(" end"), "the entry took no keys after the kill"
got = got[: -len(" end")]
# The engine's letters up to some key, then the plain ones: none doubled,
# at most the one in flight lost.
ok = any(got[:k] == drawn[:k] and got[k:] in (word[k:], word[k + 1 :]) for k in range(4, len(word) + 1))
assert ok, "not the engine's letters then the plain ones"
print("   " + got)
PY
# Chosen again, it starts anew from the seed.
stream=""
use_tessaly
focus "$qt"
focus "$gtk"
xdotool key ctrl+a
typed "again"
engine_gives "again"
wait_for_text_after_start "$work/plain" "" "GTK, the engine started again"

echo "== password and PIN entries: the letters as typed"
for field in password pin; do
  xdotool key Tab
  # Where the engine would have drawn the letters the same, the check
  # could not tell.
  [ "$(printf '%s' "${stream}secret" | "$program" -r --seed "$seed" | tail -c 6)" != secret ] \
    || fail "seed $seed draws \"secret\" as typed: choose another"
  typed "secret"
  wait_for_text "$work/$field" secret "the $field entry"
done

echo "== Qt: the stream goes on"
focus "$qt"
typed_one_by_one "$work/qt" "qt line"
engine_gives "qt line"
wait_for_text "$work/qt" "$gave" "Qt, typed with a seed"
echo "   $(cat "$work/qt")"

echo "== a mode from the engine's menu, kept across a restart"
label=$("$python" "$here/ibus_choose_mode.py" alternate) || fail "the menu did not take the mode"
[ "$label" = "Case: Alternating, lower case first" ] || fail "the menu says \"$label\""
[ "$(cat "$settings")" = "mode=alternate" ] || fail "the settings hold \"$(cat "$settings")\""
stream=""
mode_options=(--alternate)
focus "$gtk"
focus "$qt"
typed_one_by_one "$work/qt" "alternate case"
engine_gives "alternate case"
wait_for_text "$work/qt" "$gave" "Qt, alternating"
echo "   $(cat "$work/qt")"
kill "$engine_pid"
for _ in $(seq 400); do
  kill -0 "$engine_pid" 2>/dev/null || break
  sleep 0.05
done
stream=""
use_tessaly
focus "$gtk"
focus "$qt"
typed_one_by_one "$work/qt" "kept"
engine_gives "kept"
wait_for_text_after_start "$work/qt" "" "Qt, alternating after a restart"

echo "== IBus restarted while typing"
focus "$gtk"
# From the PIN entry back to the first.
xdotool key shift+Tab shift+Tab ctrl+a BackSpace
wait_for_text "$work/plain" "" "GTK, emptied"
typed "abc"
engine_gives "abc"
before=$gave
wait_for_text "$work/plain" "$before" "GTK, before IBus ends"
# Killed, it cannot end the engine itself: the engine sees it gone.
kill -9 "$ibus_pid"
wait "$ibus_pid" || true
for _ in $(seq 400); do
  kill -0 "$engine_pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$engine_pid" 2>/dev/null && fail "the engine outlived ibus-daemon"
typed "def"
wait_for_text "$work/plain" "${before}def" "GTK, with IBus gone"
ibus_daemon_start
stream=""
use_tessaly
focus "$qt"
focus "$gtk"
typed "ghi"
engine_gives "ghi"
wait_for_text_after_start "$work/plain" "${before}def" "GTK, IBus back (the mode kept)"
echo "   $(cat "$work/plain")"

echo "== the layout engine: plain text"
ibus engine xkb:us::eng || fail "ibus engine xkb:us::eng failed"
focus "$gtk"
xdotool key ctrl+a
typed "plain text"
wait_for_text "$work/plain" "plain text" "GTK, the layout engine"
focus "$qt"
typed_one_by_one "$work/qt" "plain text"
wait_for_text "$work/qt" "plain text" "Qt, the layout engine"
echo "== passed"
