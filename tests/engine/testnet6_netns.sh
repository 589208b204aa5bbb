#!/usr/bin/env bash
# The test network's IPv6 facts that the echo engine's IPv6 tests will rely
# on, checked with iputils from inside the prober (run through
# scripts/in-testnet.sh). Every probe has a count and a deadline.
command -v ping >/dev/null || { echo "iputils ping missing" >&2; exit 77; }
ip -6 addr show dev eth0 2>/dev/null | grep -q 'fd00:1::1/64' ||
  { echo "the test network has no IPv6 (scripts/testnet.sh update)" >&2; exit 77; }

failed=0
# probe NAME PATTERN PING-ARGUMENTS...: one ping's output must match PATTERN.
probe() {
  local name=$1 pattern=$2 out
  out=$(timeout 20 ping -6 -n -c 1 "${@:3}" 2>&1)
  if ! grep -qE "$pattern" <<< "$out"; then
    echo "FAIL $name: expected /$pattern/ in:" >&2
    echo "$out" >&2
    failed=1
  fi
}

probe "target 4 hops away" 'from fd00:10::10: icmp_seq=1 ttl=61' -W 3 fd00:10::10
probe "name with only an IPv6 address" 'from fd00:10::10: icmp_seq=1' -W 3 target6
# No answer and no report either: " 0 received, 100%" (a report would add
# "+1 errors" in between).
probe "silent host" ' 0 received, 100%' -W 1 fd00:10::20
probe "hop limit runs out at router 3" 'From fd00:3::2 .*Time exceeded: Hop limit' -W 3 -t 3 \
  fd00:10::10
probe "loop" 'From fd00:3::1 .*Time exceeded: Hop limit' -W 3 fd00:30::1
probe "prefix without neighbours" 'From fd00:3::2 .*Address unreachable' -W 10 fd00:13::5
# A path MTU learnt from an earlier run would turn the router's report into
# a local error: forget it first.
ip -6 route flush cache >/dev/null 2>&1
probe "narrow link" 'From fd00:3::2 .*Packet too big: mtu=1280' -W 3 -s 1400 -M do fd00:12::10
probe "silent router" ' 0 received, 100%' -W 2 -t 4 fd00:11::10
probe "target behind the silent router" 'from fd00:11::10: icmp_seq=1 ttl=60' -W 3 fd00:11::10

[ "$failed" = 0 ] && echo "IPv6 test network as described"
exit "$failed"
