#!/usr/bin/env bash
# tarvo-cli watch inside the test network's prober: a silent host times out
# on every request, logged as such, and the run exits 1.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

"$CLI" watch --resolve no --log-dir "$TMP" --log-timeouts -w 200 -d 300 198.18.10.20 \
  > "$TMP/out" 2> /dev/null &
pid=$!
# Four time-outs take about 2 s.
wait_for "$TMP/198_18_10_20.log" 'Sent = 4,'
kill -INT $pid
wait $pid
expect_status $? 1 "silent host"
f="$TMP/198_18_10_20.log"
expect_match "$f" 4 '^198\.18\.10\.20, .*, RTT = 0, .*, Sent = 4, Recv = 0, Lost = 4, Loss = 100%, Request timed out$'
expect_line "$TMP/out" 1 "198.18.10.20  timeout"

# Few threads and descriptors to be had (nobody, at most 16 processes and
# 64 descriptors): workers hold neither, so every host is watched and
# answers, and a sweep reaches every address.
if [ "$(id -u)" = 0 ] && command -v setpriv > /dev/null; then
  chmod 755 "$TMP"
  cp "$CLI" "$TMP/tarvo-cli"
  hosts=$(seq -f '198.18.31.%g' 1 100)
  few() {
    TARVO_REGISTRY=$TMP/nobody.json timeout 20 setpriv --reuid=nobody --regid=nogroup \
      --clear-groups bash -c 'ulimit -u 16 -n 64 && exec "$@"' _ "$TMP/tarvo-cli" "$@"
  }
  # shellcheck disable=SC2086
  few watch --no-history --resolve no -w 500 -d 200 $hosts > "$TMP/few" 2> "$TMP/few.err" &
  pid=$!
  wait_for "$TMP/few.err" "Monitored addresses"
  sleep 1
  kill -TERM $pid
  wait $pid
  grep -qx '  Monitored addresses: 100' "$TMP/few.err" || fail "few threads: not every host watched"
  answered=$(grep -E '^198\.18\.31\.[0-9]+  [0-9]+ ms$' "$TMP/few" | cut -d' ' -f1 | sort -u | wc -l)
  [ "$answered" = 100 ] || fail "few threads: [$answered] of 100 hosts answered"
  few range -w 500 -n 2 198.18.31.1 198.18.31.100 > "$TMP/range" 2>&1
  grep -q 'Number of reached addresses:\.*100$' "$TMP/range" || fail "few threads: sweep missed hosts"
fi
finish
