#!/usr/bin/env bash
# Real traces through the test network: runs `tarvo-cli trace` inside the
# prober namespace and compares its output line by line, with dates,
# durations and round trips masked.
. "$(dirname "$0")/../cli/lib.sh"
use_temp # options not given come from the store: an empty one
export LC_ALL=C

# A round-trip column becomes " RTT" only where its padding fits its digits.
mask() {
  sed -E -e 's/(Start time:  |End time:  ).+$/\1<date>/' \
    -e 's/(lasted \[hh:mm:ss\]  )[0-9]{2}:[0-9]{2}:[0-9]{2}$/\1<duration>/' \
    -e 's/( {12}[0-9]| {10}[0-9]{2}| {8}[0-9]{3}| {6}[0-9]{4})ms/ RTT/g'
}
# frame HEADER HOP_LINE...: the whole expected output of a trace.
frame() {
  printf ' \n  · Traceroute to %s\n        Start time:  <date>\n' "$1"
  shift
  printf '%s\n' "$@"
  printf '        End time:  <date>\n          Traceroute lasted [hh:mm:ss]  <duration>\n'
  printf '    ------------------------End of Traceroute------------------\n'
}
hop() { printf '            %s   RTT RTT RTT      %s      %s' "$1" "$2" "${3:-}"; }

# check NAME STATUS EXPECTED ARGS...
check() {
  local name=$1 want=$2 expected=$3
  shift 3
  run "$want" trace "$@" < /dev/null
  diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$(mask < "$TMP/out")") ||
    fail "$name: output differs"
}

check "names of routers and target" 0 \
  "$(frame "target.tarvo.test [198.18.10.10] over max 30 hops" \
    "$(hop 1 'router1.tarvo.test  [198.18.1.2]')" "$(hop 2 'router2.tarvo.test  [198.18.2.2]')" \
    "$(hop 3 'router3.tarvo.test  [198.18.3.2]')" "$(hop 4 'target.tarvo.test  [198.18.10.10]')")" \
  --resolve target.tarvo.test
check "unreachable subnet" 1 "$(frame "198.18.20.5 over max 30 hops" "$(hop 1 198.18.1.2)" \
  "$(hop 2 198.18.2.2)" "$(hop 3 198.18.2.2 'Destination host unreachable')")" 198.18.20.5
finish
