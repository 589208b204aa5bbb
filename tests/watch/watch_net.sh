#!/usr/bin/env bash
# tarvo-cli watch against loopback: the log files of two hosts, the result
# lines, the status lines, a list file merged with the arguments, SIGTERM,
# usage errors, and a host that stops answering.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json
LINE_RE='^127\.0\.0\.%d, [^,]+, [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\.[0-9]{1,3}, RTT = [0-9]+, TTL = 64, Bytes = 32, Sent = %d, Recv = %d, Lost = 0, Loss = 0%%, Success$'

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
    # shellcheck disable=SC2059
    expect_match "$f" "$i" "$(printf "$LINE_RE" "$h" "$i" "$i")"
  done
  c=$(grep -c "^127\.0\.0\.$h  [0-9]* ms$" "$TMP/out")
  # A result logged just as the stop came may not be shown any more.
  { [ "$c" -eq "$n" ] || [ "$c" -eq $((n - 1)) ]; } || fail "127.0.0.$h: $c result lines for $n log lines"
done
[ "$(grep -vc ' ms$' "$TMP/out")" -eq 0 ] || fail "result lines of another form"
expect_lines "$TMP/err" 6
expect_line "$TMP/err" 1 "  Initialize Monitor : 1"
expect_line "$TMP/err" 2 "  Initialize Monitor : 2"
expect_line "$TMP/err" 3 "  Start Monitor: 1"
expect_line "$TMP/err" 4 "  Start Monitor: 2"
expect_line "$TMP/err" 5 "  Monitored addresses: 2"
expect_line "$TMP/err" 6 "  Stopping the Monitor..."

# A list file merged with the arguments, duplicates dropped; SIGTERM ends
# the run after its closing steps with 143; nothing is logged unless asked.
printf '127.0.0.3\r\n127.0.0.4\n127.0.0.3\n' > "$TMP/list"
# Which host is which shows in the JSON records' numbers, not in the order
# two workers' first results happen to arrive.
"$CLI" watch --json --resolve no --log-dir "$TMP/none" -d 100 --file "$TMP/list" 127.0.0.4 \
  > "$TMP/out2" 2> "$TMP/err2" &
pid=$!
wait_for "$TMP/out2" '"host":2,' || fail "list file host not watched"
kill -TERM $pid
wait $pid
expect_status $? 143 "watch stopped by SIGTERM"
expect_line "$TMP/err2" 5 "  Monitored addresses: 2"
hosts=$(jq -r '"\(.host) \(.address)"' "$TMP/out2" | sort -u | tr '\n' ' ')
[ "$hosts" = "1 127.0.0.4 2 127.0.0.3 " ] || fail "arguments come first, then the list: [$hosts]"
[ -e "$TMP/none" ] && fail "a log folder without logging"

"$CLI" watch > /dev/null 2>&1
expect_status $? 2 "no host"
"$CLI" watch --resolve sometimes 127.0.0.1 > /dev/null 2>&1
expect_status $? 2 "unknown resolve mode"

# Only changes: a host that stops answering (loopback taken down in a
# network of its own) leaves one line for the first reply and one for the
# first failure.
if unshare -n true 2>/dev/null; then
  unshare -n bash -c '
    ip link set lo up
    "$0" watch --resolve no --log-dir "$1" --log-changes -w 200 -d 100 127.0.0.1 > /dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do [ -s "$1/127_0_0_1.log" ] && break; sleep 0.1; done
    ip link set lo down
    sleep 1.5
    kill -INT $pid
    wait $pid' "$CLI" "$TMP/changes"
  f="$TMP/changes/127_0_0_1.log"
  expect_lines "$f" 2
  expect_match "$f" 1 ', Sent = 1, Recv = 1, Lost = 0, Loss = 0%, Success$'
  expect_match "$f" 2 '^127\.0\.0\.1, .*, RTT = 0, .*, Sent = ([0-9]+), Recv = ([0-9]+), Lost = 1, Loss = [0-9]+%, [A-Z]'
  grep -q 'Success$' <(sed -n 2p "$f") && fail "second line is not the failure"
fi
finish
