#!/usr/bin/env bash
# tarvo-cli range against loopback: the exact report, a burst sweep under a
# low descriptor limit, and Ctrl+C as Break.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp
REACHED_RE='  Bytes=32;  sent/recv/lost=1/1/0;  min/avg/max=[0-9]+/[0-9]+/[0-9]+;  TTL=64$'

"$CLI" range -w 300 127.0.0.250 127.0.1.3 > "$TMP/out" 2> "$TMP/err"
expect_status $? 0 "range 127.0.0.250 127.0.1.3"
expect_lines "$TMP/out" 23
expect_line "$TMP/out" 1 " "
expect_line "$TMP/out" 2 "  $DOT Pinging IP Range"
expect_match "$TMP/out" 3 '^    Start time  [0-9].*[0-9]$'
n=4
for a in 0.250 0.251 0.252 0.253 0.254; do
  expect_match "$TMP/out" $n "^      127\\.0\\.${a/./\\.}$REACHED_RE"
  n=$((n + 1))
done
expect_line "$TMP/out" 9 "      127.0.0.255  --- Broadcast address. Not pinged. ---"
expect_line "$TMP/out" 10 "      127.0.1.0  --- IP subnet address. Not pinged. ---"
for n in 11 12 13; do
  expect_match "$TMP/out" $n "^      127\\.0\\.1\\.$((n - 10))$REACHED_RE"
done
expect_match "$TMP/out" 14 '^    End time  [0-9].*[0-9]$'
expect_match "$TMP/out" 15 '^      Pinging IP Range lasted \[hh:mm:ss\]  00:00:0[0-9]$'
expect_line "$TMP/out" 16 "    Statistics: "
expect_line "$TMP/out" 17 "        Total destination addresses:...........................10"
expect_line "$TMP/out" 18 "            Number of pinged addresses:.......................8"
expect_line "$TMP/out" 19 "                Number of reached addresses:.................8"
expect_line "$TMP/out" 20 "                Number of not reached addresses:...........0"
expect_line "$TMP/out" 21 "            Network addresses:......................................1"
expect_line "$TMP/out" 22 "            Broadcast addresses:...................................1"
expect_line "$TMP/out" 23 "    ------------------------ End of Range Ping -----------------------"
expect_line "$TMP/err" 1 "  Done "
expect_line "$TMP/err" 2 "  Number of reached addresses: 8 of 10"

# A burst /20 with only 256 descriptors: every address answers for itself.
(ulimit -n 256 && exec "$CLI" range --burst --netmask-bits 20 -n 1 127.0.0.0 127.0.15.255) \
  > "$TMP/burst" 2> "$TMP/burst_err"
expect_status $? 0 "burst /20 under ulimit -n 256"
grep -E "^      127\.0\.[0-9]+\.[0-9]+$REACHED_RE" "$TMP/burst" | awk '{print $1}' > "$TMP/reached"
for t in $(seq 0 15); do for f in $(seq 0 255); do echo "127.0.$t.$f"; done; done |
  sed '1d;$d' > "$TMP/expected"
cmp -s "$TMP/reached" "$TMP/expected" || fail "burst /20: reached lines not every address in order"
grep -qxF "                Number of reached addresses:...........4094" "$TMP/burst" ||
  fail "burst /20: reached count"
grep -qxF "                Number of not reached addresses:...........0" "$TMP/burst" ||
  fail "burst /20: not reached count"
grep -q "Could not load" "$TMP/burst" && fail "burst /20: a false set-up failure"

# Ctrl+C: started workers finish and are reported, nothing new starts.
"$CLI" range -w 300 127.0.2.1 127.0.2.200 > "$TMP/break" 2> "$TMP/break_err" &
pid=$!
sleep 1
kill -INT $pid
wait $pid
expect_status $? 0 "range broken by Ctrl+C"
started=$(sed -n 's/^  Break after \([0-9]*\) addresses$/\1/p' "$TMP/break_err")
if [ -z "$started" ] || [ "$started" -ge 200 ] || [ "$started" -lt 5 ]; then
  fail "break: status [$(cat "$TMP/break_err")]"
else
  results=$(grep -cE "^      127\.0\.2\.[0-9]+$REACHED_RE" "$TMP/break")
  [ "$results" -eq "$started" ] || fail "break: $results result lines for $started started"
fi
tail -n 1 "$TMP/break" | grep -q "End of Range Ping" || fail "break: no closing line"
# On a terminal standard error carries a progress line, taken away before
# the closing report; standard output into a file stays as without one.
if command -v script > /dev/null; then
  script -qec "\"$CLI\" range -w 300 127.0.0.250 127.0.1.3 > \"$TMP/pty_out\"" /dev/null \
    > "$TMP/pty_err" < /dev/null
  expect_status $? 0 "range with standard error on a terminal"
  diff <(grep -v -e ' time  ' -e ' lasted ' "$TMP/out") \
    <(grep -v -e ' time  ' -e ' lasted ' "$TMP/pty_out") > /dev/null ||
    fail "terminal on standard error changed standard output"
  grep -qE $'\r\e\\[K  [0-9]+ / 10  [0-9.]+%' "$TMP/pty_err" || fail "no progress line: $(cat -v "$TMP/pty_err")"
  [[ "$(< "$TMP/pty_err")" == *$'\r\e[K  Done \r\n  Number of reached addresses: 8 of 10\r' ]] ||
    fail "progress line not cleared before the closing lines: $(cat -v "$TMP/pty_err")"
  # Both on the terminal: the line is gone before the report's first line.
  script -qec "\"$CLI\" range -w 300 127.0.0.250 127.0.1.3" /dev/null > "$TMP/pty" < /dev/null
  tail=$(< "$TMP/pty")
  tail=${tail##*" / 10  "}
  [[ "${tail%%    End time*}" == *$'\r\e[K' ]] ||
    fail "progress line left under the report: $(cat -v "$TMP/pty")"
fi
finish
