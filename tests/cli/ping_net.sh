#!/usr/bin/env bash
# tarvo-cli ping against loopback: the exact lines of a normal run.
. "$(dirname "$0")/lib.sh"
require_echo
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json

"$CLI" ping -n 3 -d 100 127.0.0.1 > "$TMP/out" 2> "$TMP/err"
expect_status $? 0 "ping 127.0.0.1"
expect_lines "$TMP/out" 12
expect_line "$TMP/out" 1 " "
expect_line "$TMP/out" 2 "  $DOT Pinging 127.0.0.1"
expect_match "$TMP/out" 3 '^        Start time  [0-9].*[0-9]$'
for n in 4 5 6; do
  expect_match "$TMP/out" $n '^        Reply from 127\.0\.0\.1: Bytes=32 Time=[0-9]+ms TTL=64$'
done
expect_match "$TMP/out" 7 '^        End time  [0-9]'
expect_line "$TMP/out" 8 "  $DOT Statistics for 127.0.0.1:"
expect_line "$TMP/out" 9 "        Packets:     sent / received / lost = 3 / 3 / 0   (0% Loss)"
expect_match "$TMP/out" 10 '^        Time \[ms\]:   min / average / max  = [0-9]+ / [0-9]+ / [0-9]+$'
expect_match "$TMP/out" 11 '^        Ping lasted \[hh:mm:ss\]  00:00:0[01]$'
expect_line "$TMP/out" 12 "    ------------------------End of Ping------------------------"

# Another loopback address answers from itself; data sizes at both limits.
"$CLI" ping -n 1 -l 65500 127.0.0.2 > "$TMP/big"
expect_status $? 0 "ping -l 65500"
expect_match "$TMP/big" 4 '^        Reply from 127\.0\.0\.2: Bytes=65500 Time=[0-9]+ms TTL=64$'
"$CLI" ping -n 1 -l 0 127.0.0.1 > "$TMP/small"
expect_match "$TMP/small" 4 'Bytes=18 '   # repaired to the minimum of 18

# Ctrl+C during an endless ping: end time, statistics of what was sent, separator.
"$CLI" ping -n 0 -d 100 127.0.0.1 > "$TMP/endless" 2>/dev/null &
pid=$!
sleep 1
kill -INT $pid
wait $pid
expect_status $? 0 "endless ping broken"
tail -n 6 "$TMP/endless" > "$TMP/tail"
expect_match "$TMP/tail" 1 '^        End time  '
expect_match "$TMP/tail" 3 '^        Packets:     sent / received / lost = ([0-9]+) / \1 / 0   \(0% Loss\)$'
expect_line "$TMP/tail" 6 "    ------------------------End of Ping------------------------"
finish
