#!/usr/bin/env bash
# tarvo-cli watch of IPv6 literals and a name with only an IPv6 address in
# the test network's prober: log files named after the address, and the
# address in the records and the history.
. "$(dirname "$0")/../cli/lib.sh"
command -v jq > /dev/null || skip "jq is not installed"
require_echo
use_temp
"$CLI" watch --json --resolve once --down-after 2 --log-dir "$TMP/L" --log-replies \
  --log-timeouts -d 200 -w 200 fd00:10::10 '[fd00:10::20]' target6 > "$TMP/json" 2> /dev/null &
# The name's worker looks for its address once a second until it is found.
wait_for "$TMP/json" '"host":3,.*"rtt":[0-9]' || fail "the name was not pinged"
wait_for "$TMP/L/fd00_10__20.log" 'Sent = 4,' || fail "the silent host was not logged"
kill -INT $!
wait $!
[ "$(cd "$TMP/L" && echo *)" == "fd00_10__10.log fd00_10__20.log" ] || fail "logs: $(ls "$TMP/L")"
expect_match "$TMP/L/fd00_10__10.log" 1 '^fd00:10::10, .*, RTT = [0-9]+, TTL = 61, .*, Success$'
expect_match "$TMP/L/fd00_10__20.log" 4 '^fd00:10::20, .*, Sent = 4, Recv = 0, .*, Request timed out$'
# Each host's address and last state, and the state changes.
[ "$(jq -rs 'group_by(.type)[] | group_by(.host)[] | last | "\(.host) \(.address) \(.state)"' \
  "$TMP/json")" == $'1 fd00:10::10 up\n2 fd00:10::20 down\n3 fd00:10::10 up\n2 fd00:10::20 down' ] ||
  fail "records: $(cat "$TMP/json")"
run 0 history --json
[ "$(jq -r '"\(.host) \(.address)"' "$TMP/out" | sort)" == \
  $'[fd00:10::20] fd00:10::20\nfd00:10::10 fd00:10::10\ntarget6 fd00:10::10' ] || fail "history: $(cat "$TMP/out")"
finish
