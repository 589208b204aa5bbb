#!/usr/bin/env bash
# tarvo-cli ping against loopback: the exact lines of a normal run.
. "$(dirname "$0")/lib.sh"
require_echo
use_temp

run 0 ping -n 3 -d 100 127.0.0.1
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

# Another loopback address answers from itself, with the largest data size.
run 0 ping -n 1 -l 65500 127.0.0.2
expect_match "$TMP/out" 4 '^        Reply from 127\.0\.0\.2: Bytes=65500 Time=[0-9]+ms TTL=64$'
finish
