#!/usr/bin/env bash
# tarvo-cli range over IPv6 addresses inside the test network's prober, and
# the ranges refused before anything is sent.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
ip -6 addr show dev eth0 2>/dev/null | grep -q 'fd00:1::1/64' || skip "the test network has no IPv6"
use_temp

# The target answers; its neighbours are nobody: silence, or router 3's
# report once neighbour discovery has given up on them.
nobody='(Request timed out|Reply from fd00:3::2: Destination host unreachable)$'
run 0 range -w 500 '[fd00:10::f]' fd00:10::11
expect_match "$TMP/out" 4 "^      fd00:10::f  $nobody"
expect_match "$TMP/out" 5 '^      fd00:10::10  Bytes=32;  sent/recv/lost=1/1/0;  .*TTL=61$'
expect_match "$TMP/out" 6 "^      fd00:10::11  $nobody"
expect_line "$TMP/out" 13 "                Number of not reached addresses:...........2"
expect_line "$TMP/out" 16 "  IPv6: no network or broadcast address is skipped."

# Mixed families, one address too many, a zone, a backward range.
for pair in "fd00:10::1 198.18.10.1" "198.18.10.1 fd00:10::1" "fd00:10::0 fd00:10::1:0" \
  "fd00:10::5%eth0 fd00:10::6" "fd00:10::6 fd00:10::5"; do
  run 2 range $pair # split on purpose
  ! grep -q "Start time" "$TMP/out" || fail "$pair: pinged"
done
run 2 range fd00:10::0 fd00:10::1:0
grep -q "at most 65,536 addresses" "$TMP/err" || fail "no limit named"

finish
