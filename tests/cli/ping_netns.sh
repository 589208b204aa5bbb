#!/usr/bin/env bash
# tarvo-cli ping in the test network (run inside the prober namespace).
. "$(dirname "$0")/lib.sh"
require_echo
use_temp

# The target by name: looked up, announced with its official name.
"$CLI" ping -n 2 -d 50 target > "$TMP/name"
expect_status $? 0 "ping target"
expect_line "$TMP/name" 2 "  $DOT Lookup destination..."
expect_line "$TMP/name" 3 "  $DOT Pinging target.tarvo.test [198.18.10.10]"
expect_match "$TMP/name" 5 '^        Reply from 198\.18\.10\.10: Bytes=32 Time=[0-9]+ms TTL=61$'

# A scheme in front of the name is removed; a trailing slash makes it unknown.
"$CLI" ping -n 1 "http://target/" > "$TMP/unknown"
expect_status $? 1 "unknown name"
expect_lines "$TMP/unknown" 4
expect_line "$TMP/unknown" 3 "  $DOT target/ not found"
expect_line "$TMP/unknown" 4 "    ------------------------End of Ping------------------------"

# The silent host: time-outs, 100% loss, not reached.
"$CLI" ping -n 2 -w 200 -d 50 198.18.10.20 > "$TMP/silent"
expect_status $? 1 "silent host"
expect_line "$TMP/silent" 4 "        Request timed out "
expect_line "$TMP/silent" 8 "        Packets:     sent / received / lost = 2 / 0 / 2   (100% Loss)"
expect_line "$TMP/silent" 9 "        Time [ms]:   min / average / max  = 0 / 0 / 0"

# A router reports: TTL expired, and host unreachable for its dead subnet.
"$CLI" ping -n 1 --ttl 2 198.18.10.10 > "$TMP/ttl"
expect_line "$TMP/ttl" 4 "        Reply from 198.18.2.2: TTL expired transit "
"$CLI" ping -n 1 198.18.20.5 > "$TMP/unreach"
expect_status $? 1 "unreachable subnet"
expect_line "$TMP/unreach" 4 "        Reply from 198.18.2.2: Destination host unreachable "

# Reverse names: found, and not found (the run goes on with the address).
"$CLI" ping -n 1 --resolve 198.18.2.2 > "$TMP/rev"
expect_line "$TMP/rev" 2 "  $DOT Pinging router2.tarvo.test [198.18.2.2]"
"$CLI" ping -n 1 -w 100 --resolve 198.18.10.99 > "$TMP/norev"
expect_line "$TMP/norev" 2 "  $DOT Name resolution failed. Pinging 198.18.10.99"
finish
