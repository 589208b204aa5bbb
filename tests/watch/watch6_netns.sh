#!/usr/bin/env bash
# tarvo-cli watch of IPv6 hosts inside the test network's prober: literals
# and a name with only an IPv6 address are pinged, logged under file names
# made of their address, shown in the records and kept in the history.
. "$(dirname "$0")/../cli/lib.sh"
command -v jq > /dev/null || skip "jq is not installed"
require_echo
use_temp

"$CLI" watch --json --resolve once --down-after 2 --log-dir "$TMP/logs" --log-replies \
  --log-timeouts -d 200 -w 200 fd00:10::10 '[fd00:10::20]' target6 > "$TMP/out" 2> "$TMP/err" &
pid=$!
wait_for "$TMP/logs/fd00_10__20.log" 'Sent = 4,' || fail "the silent host was not logged"
# The name's worker looks for its address once a second until it is found.
wait_for "$TMP/out" '"host":3,.*"rtt":[0-9]' || fail "the name was not pinged"
kill -INT $pid
wait $pid

[ "$(cd "$TMP/logs" && echo *)" == "fd00_10__10.log fd00_10__20.log" ] ||
  fail "log files: $(ls "$TMP/logs")"
RTT='RTT = [0-9]+, TTL = [0-9]+, Bytes = 32'
grep -qE "^fd00:10::10, .*, $RTT, Sent = [0-9]+, .*, Success$" "$TMP/logs/fd00_10__10.log" ||
  fail "reply lines: $(head -2 "$TMP/logs/fd00_10__10.log")"
expect_match "$TMP/logs/fd00_10__20.log" 4 \
  '^fd00:10::20, .*, RTT = 0, .*, Sent = 4, Recv = 0, Lost = 4, Loss = 100%, Request timed out$'

# last FIELD: "host address FIELD" of each host's last result record.
last() {
  jq -rs --arg f "$1" 'map(select(.type == "result")) | group_by(.host)
    | map(last | "\(.host) \(.address) \(.[$f])") | .[]' "$TMP/out"
}
[ "$(last state)" == $'1 fd00:10::10 up\n2 fd00:10::20 down\n3 fd00:10::10 up' ] ||
  fail "records: $(last state)"
[ "$(last caption)" == $'1 fd00:10::10 target6.tarvo.test (fd00:10::10)\n2 fd00:10::20 silent6.tarvo.test ([fd00:10::20])\n3 fd00:10::10 target6 (fd00:10::10)' ] ||
  fail "captions: $(last caption)"
[ "$(jq -rs 'map(select(.type == "state") | "\(.address) \(.state)") | .[]' "$TMP/out")" == \
  "fd00:10::20 down" ] || fail "state records: $(grep '"type":"state"' "$TMP/out")"

run 0 history --json
[ "$(jq -r '"\(.host) \(.address)"' "$TMP/out" | sort)" == \
  $'[fd00:10::20] fd00:10::20\nfd00:10::10 fd00:10::10\ntarget6 fd00:10::10' ] ||
  fail "history: $(cat "$TMP/out")"
finish
