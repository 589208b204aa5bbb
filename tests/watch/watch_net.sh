#!/usr/bin/env bash
# tarvo-cli watch against loopback: a list file merged with the arguments,
# SIGTERM.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

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
