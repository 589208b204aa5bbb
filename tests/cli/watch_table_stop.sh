#!/usr/bin/env bash
# Ctrl+C on the watch table of a terminal: the stop message stays, the table
# ends as one block with one header under it, and nothing is left over.
. "$(dirname "$0")/lib.sh"
require_echo
command -v script > /dev/null || skip "needs script for a terminal"
command -v python3 > /dev/null || skip "needs python3"
use_temp

# The typed Ctrl+C reaches the monitor through the terminal, as a user's.
# The shell around it keeps going after the Ctrl+C (its trap), so what ends
# the run is the monitor alone; a run that does not end leaves its threads'
# kernel waits for the failure message.
{
  wait_for "$TMP/tty" "Recent" || fail "no table shown"
  sleep 0.5
  printf '\003'
  if ! wait_for "$TMP/tty" "^WATCH ENDED"; then
    fail "the monitor did not stop: $(for t in /proc/$(pgrep -n -f "$CLI watch")/task/*; do
      printf '%s ' "$(cat "$t/wchan" 2> /dev/null)"; done)"
  fi
} | timeout 30 script -qec "trap : INT; \"$CLI\" watch -d 200 127.0.0.1 127.0.0.2; echo WATCH ENDED" \
  /dev/null > "$TMP/tty"

# The screen as a terminal shows it after the cursor moves the table makes.
python3 - "$TMP/tty" << 'PY' || fail "the screen at the end: $(cat -v "$TMP/tty")"
import re, sys
screen, row, col = [[]], 0, 0
data = open(sys.argv[1], encoding="utf-8", errors="replace", newline="").read()
for m in re.finditer(r"\x1b\[([0-9;]*)([A-Za-z])|[\r\n]|[^\x1b\r\n]", data):
    t = m.group(0)
    if t == "\r":
        col = 0
    elif t == "\n":
        row += 1
        while len(screen) <= row:
            screen.append([])
    elif m.group(2) == "A":
        row = max(0, row - int(m.group(1) or 1))
    elif m.group(2) in ("K", "J"):
        del screen[row][col:]
        if m.group(2) == "J":
            del screen[row + 1:]
    elif m.group(2) is None:
        line = screen[row]
        line.extend(" " * (col - len(line)))
        line[col:col + 1] = [t]
        col += 1
lines = ["".join(l).rstrip() for l in screen]
headers = [i for i, l in enumerate(lines) if l.startswith("Host ")]
assert len(headers) == 1, lines
h = headers[0]
assert lines[h - 1] == "  Stopping the Monitor...", lines
assert lines[h + 1].startswith("localhost (127.0.0.1)") or lines[h + 1].startswith("127.0.0.1"), lines
assert lines[h + 2].endswith("(127.0.0.2)") or "127.0.0.2" in lines[h + 2], lines
assert lines[h + 3] == "WATCH ENDED", lines
PY
finish
