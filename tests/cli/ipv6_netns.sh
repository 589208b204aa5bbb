#!/usr/bin/env bash
# tarvo-cli ping and trace to the test network's IPv6 hosts, through both
# kinds of echo socket (run inside the prober namespace).
. "$(dirname "$0")/lib.sh"
require_echo
ip -6 addr show dev eth0 2>/dev/null | grep -q 'fd00:1::1/64' || skip "the test network has no IPv6"
use_temp

for kind in dgram raw; do
  export TARVO_ECHO_SOCKET=$kind
  # A literal, in brackets too, and a name with only an IPv6 address; -4
  # leaves that name without an answer.
  run 0 ping -n 2 -d 50 '[fd00:10::10]'
  expect_line "$TMP/out" 2 "  $DOT Pinging [fd00:10::10]"
  expect_match "$TMP/out" 4 '^        Reply from fd00:10::10: Bytes=32 Time=[0-9]+ms TTL=61$'
  run 0 ping -n 1 target6
  expect_line "$TMP/out" 3 "  $DOT Pinging target6.tarvo.test [fd00:10::10]"
  run 1 ping -n 1 -4 target6
  expect_line "$TMP/out" 3 "  $DOT target6 not found"

  # Silence, a loop, a prefix without neighbours: as for IPv4, with the
  # reporting router's IPv6 address. The options IPv6 has no use for are
  # named once.
  run 1 ping -n 2 -w 200 -d 50 --df fd00:10::20
  expect_line "$TMP/out" 3 "  Don't fragment and router alert do not apply to IPv6."
  expect_line "$TMP/out" 5 "        Request timed out "
  expect_line "$TMP/out" 6 "        Request timed out "
  run 1 ping -n 1 fd00:30::1
  expect_line "$TMP/out" 4 "        Reply from fd00:3::1: TTL expired transit "
  run 1 ping -n 1 -w 8000 fd00:13::5
  expect_line "$TMP/out" 4 "        Reply from fd00:3::2: Destination host unreachable "

  # The narrow link: the first request is reported too big; once the path
  # is known, the source fragments and the host answers.
  ip -6 route flush cache >/dev/null 2>&1
  run 0 ping -n 2 -d 50 -l 1400 fd00:12::10
  expect_line "$TMP/out" 4 "        Reply from fd00:3::2: Packet too big "
  expect_match "$TMP/out" 5 '^        Reply from fd00:12::10: Bytes=1400 Time=[0-9]+ms TTL=61$'

  # The trace: each router by its IPv6 address, then the target; as data
  # (to the IPv6-only name), addresses are strings.
  run 0 trace fd00:10::10
  for hop in 1 2 3; do
    expect_match "$TMP/out" $((hop + 3)) "^ +$hop( +[0-9]+ms){3} +fd00:$hop::2 +\$"
  done
  expect_match "$TMP/out" 7 '^ +4( +[0-9]+ms){3} +fd00:10::10 +$'
  run 0 trace --json --max-hops 4 -6 target6
  grep -q '"hop":2,.*"address":"fd00:2::2"' "$TMP/out" || fail "$kind: trace JSON: $(cat "$TMP/out")"
  grep -q '"type":"summary","host":"target6","address":"fd00:10::10","hops":4' "$TMP/out" ||
    fail "$kind: trace JSON summary: $(cat "$TMP/out")"
done

# Reverse names of IPv6 addresses: the target's, and a router's in its hop.
run 0 ping -n 1 --resolve fd00:10::10
expect_line "$TMP/out" 2 "  $DOT Pinging target6.tarvo.test [fd00:10::10]"
run 0 trace --resolve --max-hops 4 fd00:10::10
expect_line "$TMP/out" 2 "  $DOT Traceroute to target6.tarvo.test [fd00:10::10] over max 4 hops"
expect_match "$TMP/out" 6 '^ +3( +[0-9]+ms){3} +router3-6\.tarvo\.test  \[fd00:3::2\] +$'
finish
