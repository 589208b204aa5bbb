#!/usr/bin/env bash
# tarvo-cli ping in the test network (run inside the prober namespace).
. "$(dirname "$0")/lib.sh"
require_echo
use_temp

# The target by name: looked up, announced with its official name.
run 0 ping -n 2 -d 50 target
expect_line "$TMP/out" 2 "  $DOT Lookup destination..."
expect_line "$TMP/out" 3 "  $DOT Pinging target.tarvo.test [198.18.10.10]"
expect_match "$TMP/out" 5 '^        Reply from 198\.18\.10\.10: Bytes=32 Time=[0-9]+ms TTL=61$'

# The silent host: time-outs, 100% loss, not reached.
run 1 ping -n 2 -w 200 -d 50 198.18.10.20
expect_line "$TMP/out" 4 "        Request timed out "
expect_line "$TMP/out" 8 "        Packets:     sent / received / lost = 2 / 0 / 2   (100% Loss)"
expect_line "$TMP/out" 9 "        Time [ms]:   min / average / max  = 0 / 0 / 0"

# A router reports: TTL expired (its dead subnet's unreachable is the sweep's
# and the trace's).
run 1 ping -n 1 --ttl 2 198.18.10.10
expect_line "$TMP/out" 4 "        Reply from 198.18.2.2: TTL expired transit "

# Reverse names: found, and not found (the run goes on with the address).
run 0 ping -n 1 --resolve 198.18.2.2
expect_line "$TMP/out" 2 "  $DOT Pinging router2.tarvo.test [198.18.2.2]"
run 1 ping -n 1 -w 100 --resolve 198.18.10.99
expect_line "$TMP/out" 2 "  $DOT Name resolution failed. Pinging 198.18.10.99"
finish
