#!/usr/bin/env bash
# tarvo-cli --json against loopback: every line of standard output is one
# JSON object, and its fields agree with the text output of the same run.
. "$(dirname "$0")/lib.sh"
require_echo
use_temp
command -v jq > /dev/null || skip "jq is not installed"

# run_both NAME ARGS...: the text run into $TMP/NAME.txt, the --json run
# into $TMP/NAME.json (its standard error into NAME.err); both statuses must
# agree and every JSON line must parse as an object with a "type".
run_both() {
  local name=$1 text json
  shift
  "$CLI" "$1" "${@:2}" > "$TMP/$name.txt" 2> /dev/null
  text=$?
  "$CLI" "$1" --json "${@:2}" > "$TMP/$name.json" 2> "$TMP/$name.err"
  json=$?
  expect_status "$json" "$text" "$name: status with --json"
  local bad
  bad=$(jq -c 'select(type != "object" or (.type | type) != "string")' "$TMP/$name.json" 2>&1)
  [ -z "$bad" ] || fail "$name: lines that are no typed object: $bad"
}

# same NAME WHAT EXPECTED GOT
same() { [ "$3" == "$4" ] || fail "$1: $2: json [$4], text [$3]"; }

json_of() { jq -r "$2" "$TMP/$1.json"; }

# Ping: one record per request, then the summary; the text's counts.
run_both ping ping -n 3 -d 100 -l 100 127.0.0.1
same ping types "reply reply reply summary" "$(json_of ping .type | xargs)"
same ping "reply lines" "$(grep -c '^        Reply from 127.0.0.1: Bytes=100 Time=[0-9]*ms TTL=64$' "$TMP/ping.txt")" \
  "$(json_of ping 'select(.type == "reply" and .address == "127.0.0.1" and .bytes == 100
                          and .ttl == 64 and (.rtt | type) == "number") | .seq' | wc -l)"
same ping statistics "$(sed -n 's/^        Packets:     sent \/ received \/ lost = //p' "$TMP/ping.txt" | cut -d' ' -f1-5)" \
  "$(json_of ping 'select(.type == "summary") | "\(.sent) / \(.received) / \(.lost)"')"
[ ! -s "$TMP/ping.err" ] || fail "ping: unexpected standard error: $(cat "$TMP/ping.err")"

# Range across a broadcast and a network address: per address the verdict,
# in address order, and the statistics block's counts.
run_both range range -w 300 127.0.0.253 127.0.1.1
same range verdicts "127.0.0.253 reached|127.0.0.254 reached|127.0.0.255 broadcast|127.0.1.0 network|127.0.1.1 reached" \
  "$(json_of range 'if .type == "address" then "\(.address) \(if .reached then "reached" else "not" end)"
                    elif .type == "skip" then "\(.address) \(.reason)" else empty end' | paste -sd'|')"
count() { sed -n "s/^ *$1:\.*\([0-9]*\)$/\1/p" "$TMP/range.txt"; }
same range counts "$(count 'Total destination addresses') $(count 'Number of reached addresses') $(count 'Number of not reached addresses') $(count 'Network addresses') $(count 'Broadcast addresses')" \
  "$(json_of range 'select(.type == "summary") | "\(.addresses) \(.reached) \(.not_reached) \(.network) \(.broadcast)"')"
# The status texts stay on standard error.
same range "standard error" "  Done |  Number of reached addresses: 3 of 5" "$(paste -sd'|' "$TMP/range.err")"

# Traceroute: one hop that reached the destination, as in the text.
run_both trace trace 127.0.0.1
same trace types "hop summary" "$(json_of trace .type | xargs)"
same trace hop "1 127.0.0.1 reached 3" \
  "$(json_of trace 'select(.type == "hop") | "\(.hop) \(.address) \(.result) \([.rtt[] | numbers] | length)"')"

# Settings: every NAME=VALUE of the text is in the one record.
"$CLI" settings > "$TMP/settings.txt"
"$CLI" settings --json > "$TMP/settings.json"
same settings lines 1 "$(wc -l < "$TMP/settings.json")"
jq -r 'to_entries[] | select(.value | type != "array") | "\(.key)=\(.value)"' "$TMP/settings.json" |
  sort > "$TMP/settings.pairs"
missing=$(grep -vE '^(PingHost|Program)[0-9]+=' "$TMP/settings.txt" | sort | comm -23 - "$TMP/settings.pairs")
[ -z "$missing" ] || fail "settings: not in the record: $missing"
finish
