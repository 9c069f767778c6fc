#!/usr/bin/env bash
# What a blind user hears: the real program under Orca, Debian's screen
# reader, with its default settings, walked by keys alone
# (tests/e2e/orca_walk.py judges the speech in Orca's debug log).
#
# Xvfb with Openbox, a private D-Bus session and accessibility bus,
# speech-dispatcher speaking into ALSA's null device, and Orca in a PID
# namespace of its own with a private home: Orca refuses to start beside
# another instance of the same user, and its --replace would end that one.
#
#   tests/e2e/run-orca.sh PROGRAM SOURCE_FOLDER [PASSES]
#
# With PASSES it is the benchmark of what Orca costs a pass
# (scripts/bench-orca.sh).
set -euo pipefail
program="$(realpath "$1")"
source_folder="$(realpath "$2")"
passes="${3:-}"
# shellcheck source=../../scripts/xsession.sh
source "$source_folder/scripts/xsession.sh"

python=/usr/bin/python3
for tool in Xvfb openbox orca speech-dispatcher xdotool xclip xset unshare dbus-daemon "$python"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

xsession_start || fail "could not start Xvfb"
openbox --sm-disable >"$xsession_dir/openbox.log" 2>&1 &
xsession_extra_pids+=("$!")
a11y_bus_start || fail "could not start the accessibility bus"
# Keys held by xdotool must not repeat.
xset r off

home="$xsession_dir/home"
mkdir -p "$home/.config/speech-dispatcher"
cat >"$home/.config/speech-dispatcher/speechd.conf" <<'EOF'
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
EOF
log="$xsession_dir/orca.log"
: >"$log"
namespace=(unshare --pid --fork --kill-child --mount-proc)
if ! "${namespace[@]}" true 2>/dev/null; then
  # Without the right to make namespaces (some containers) Orca runs as a
  # plain child: it would then refuse to start beside another Orca.
  echo "-- no PID namespace here; Orca runs without one"
  namespace=(setsid)
fi
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
  "${namespace[@]}" \
  "$python" "$source_folder/tests/e2e/orca_line_log.py" "$log" >"$xsession_dir/orca.out" 2>&1 &
orca_namespace=$!
# unshare itself ignores SIGTERM while its child runs: the namespace ends
# with its first process, Orca.
orca_stop() {
  pkill -KILL -P "$orca_namespace" 2>/dev/null || true
  kill -KILL "$orca_namespace" 2>/dev/null || true
  wait "$orca_namespace" 2>/dev/null || true
}
xsession_on_exit orca_stop
for _ in $(seq 300); do
  grep -q "SPEECH OUTPUT: 'Screen reader on" "$log" && break
  sleep 0.1
done
grep -q "SPEECH OUTPUT: 'Screen reader on" "$log" || {
  tail -n 30 "$xsession_dir/orca.out" >&2
  fail "Orca did not start"
}

# The text pasted for the pass: 1 MiB of short lines, or in one line
# (TESSALY_PASS_TEXT=line, for the benchmark).
text="$xsession_dir/pass.txt"
"$python" -c 'import sys
end = " " if sys.argv[1] == "line" else "\n"
sys.stdout.write(("How are you? Every letter keeps its place." + end) * 25000)' "${TESSALY_PASS_TEXT:-lines}" >"$text"
xsession_clipboard_in "$text"

xsession_launch "$program" "$xsession_dir"
status=0
"$python" "$source_folder/tests/e2e/orca_walk.py" "$log" "$(stat -c %s "$text")" \
  ${passes:+"$passes" "$orca_namespace"} || status=$?
# TESSALY_ORCA_LOG=FILE keeps Orca's debug log.
[ -n "${TESSALY_ORCA_LOG:-}" ] && cp "$log" "$TESSALY_ORCA_LOG"
[ "$status" = 0 ] || fail "the walk stopped"
[ -n "$passes" ] && exit 0

xsession_expect_program_end "Ctrl+Q"
echo "== passed: every step heard, and the program ended by itself"
