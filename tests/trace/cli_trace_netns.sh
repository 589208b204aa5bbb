#!/usr/bin/env bash
# Runs `tarvo-cli trace` inside the prober namespace and compares its output
# line by line; dates, durations and round trips are masked.
# Usage: cli_trace_netns.sh TARVO_CLI
set -u
cli="$1"
fail=0
# Options not given come from the settings store: start from an empty one.
store="$(mktemp -d)"
trap 'rm -rf "$store"' EXIT
export TARVO_REGISTRY="$store/registry.json"

# Round-trip columns become " RTT" when their padding fits their digits.
mask() {
  sed -E -e 's/(Start time:  |End time:  ).+$/\1<date>/' \
    -e 's/(lasted \[hh:mm:ss\]  )[0-9]{2}:[0-9]{2}:[0-9]{2}$/\1<duration>/' \
    -e 's/( {12}[0-9]| {10}[0-9]{2}| {8}[0-9]{3}| {6}[0-9]{4})ms/ RTT/g'
}

# check NAME EXPECTED_STATUS EXPECTED_LINES -- ARGS...
check() {
  local name="$1" want_status="$2" expected="$3"
  shift 4
  local out status
  out="$(LC_ALL=C "$cli" trace "$@" </dev/null 2>/dev/null)"
  status=$?
  if [ "$status" != "$want_status" ]; then
    echo "FAIL $name: exit status $status, expected $want_status"
    fail=1
  fi
  if ! diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$out" | mask); then
    echo "FAIL $name: output differs (expected -, got +)"
    fail=1
  else
    echo "ok   $name"
  fi
}

S12='            '
STAR='             *    '
END='    ------------------------End of Traceroute------------------'

check "router three hops away" 0 " 
  · Traceroute to 198.18.3.2 over max 30 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      198.18.1.2      
${S12}2   RTT RTT RTT      198.18.2.2      
${S12}3   RTT RTT RTT      198.18.3.2      
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- 198.18.3.2

check "names of routers and target" 0 " 
  · Traceroute to target.tarvo.test [198.18.10.10] over max 30 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      router1.tarvo.test  [198.18.1.2]      
${S12}2   RTT RTT RTT      router2.tarvo.test  [198.18.2.2]      
${S12}3   RTT RTT RTT      router3.tarvo.test  [198.18.3.2]      
${S12}4   RTT RTT RTT      target.tarvo.test  [198.18.10.10]      
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- --resolve target.tarvo.test

check "silent target within the maximum" 1 " 
  · Traceroute to 198.18.10.20 over max 5 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      198.18.1.2      
${S12}2   RTT RTT RTT      198.18.2.2      
${S12}3   RTT RTT RTT      198.18.3.2      
${S12}4  ${STAR}${STAR}${STAR}      Request timed out
${S12}5  ${STAR}${STAR}${STAR}      Request timed out
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- --max-hops 5 -w 300 198.18.10.20

check "unreachable subnet" 1 " 
  · Traceroute to 198.18.20.5 over max 30 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      198.18.1.2      
${S12}2   RTT RTT RTT      198.18.2.2      
${S12}3   RTT RTT RTT      198.18.2.2      Destination host unreachable
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- 198.18.20.5

check "unknown host" 1 " 
  · Could not resolve host name nowhere.tarvo.test
$END" -- nowhere.tarvo.test

check "maximum above the limit" 0 " 
  · Traceroute to 198.18.1.2 over max 255 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      198.18.1.2      
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- --max-hops 300 198.18.1.2

check "repaired numbers" 0 " 
  · Traceroute to 198.18.1.2 over max 1 hops
        Start time:  <date>
${S12}1   RTT RTT RTT      198.18.1.2      
        End time:  <date>
          Traceroute lasted [hh:mm:ss]  <duration>
$END" -- --max-hops 0 -w 5 198.18.1.2

exit "$fail"
