#!/usr/bin/env bash
# tarvo-cli watch against loopback: the log files of two hosts, the result
# lines, the status lines, a list file merged with the arguments, SIGTERM.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

# Two hosts, every reply logged, stopped by Ctrl+C after three seconds.
"$CLI" watch --resolve no --log-dir "$TMP/logs/" --log-replies -d 200 127.0.0.1 127.0.0.2 \
  > "$TMP/out" 2> "$TMP/err" &
pid=$!
wait_for "$TMP/err" "Monitored addresses" || fail "the monitor did not start"
sleep 3
kill -INT $pid
wait $pid
expect_status $? 0 "watch stopped by Ctrl+C"
for h in 1 2; do
  f="$TMP/logs/127_0_0_$h.log"
  n=$(wc -l < "$f")
  { [ "$n" -ge 10 ] && [ "$n" -le 18 ]; } || fail "$f: $n lines, expected about 15"
  for i in $(seq 1 "$n"); do
    expect_match "$f" "$i" "^127\.0\.0\.$h, [^,]+, [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\.[0-9]{1,3}, RTT = [0-9]+, TTL = 64, Bytes = 32, Sent = $i, Recv = $i, Lost = 0, Loss = 0%, Success$"
  done
  c=$(grep -c "^127\.0\.0\.$h  [0-9]* ms$" "$TMP/out")
  # A result logged just as the stop came may not be shown any more.
  { [ "$c" -eq "$n" ] || [ "$c" -eq $((n - 1)) ]; } || fail "127.0.0.$h: $c result lines for $n log lines"
done
[ "$(grep -vc ' ms$' "$TMP/out")" -eq 0 ] || fail "result lines of another form"
expect_lines "$TMP/err" 6
i=0
for l in "Initialize Monitor : 1" "Initialize Monitor : 2" "Start Monitor: 1" "Start Monitor: 2" \
  "Monitored addresses: 2" "Stopping the Monitor..."; do
  expect_line "$TMP/err" $((i += 1)) "  $l"
done

# A list file merged with the arguments, duplicates dropped, arguments first
# (told by the JSON records' numbers, not by which result arrives first);
# SIGTERM ends the run after its closing steps with 143; nothing is logged
# unless asked.
printf '127.0.0.3\r\n127.0.0.4\n127.0.0.3\n' > "$TMP/list"
"$CLI" watch --json --resolve no --log-dir "$TMP/none" -d 100 --file "$TMP/list" 127.0.0.4 \
  > "$TMP/out2" 2> "$TMP/err2" &
pid=$!
wait_for "$TMP/out2" '"host":2,' || fail "list file host not watched"
kill -TERM $pid
wait $pid
expect_status $? 143 "watch stopped by SIGTERM"
hosts=$(jq -r '"\(.host) \(.address)"' "$TMP/out2" | sort -u | tr '\n' ' ')
[ "$hosts" = "1 127.0.0.4 2 127.0.0.3 " ] || fail "arguments come first, then the list: [$hosts]"
[ -e "$TMP/none" ] && fail "a log folder without logging"
finish
