#!/usr/bin/env bash
# The watch history inside the test network's prober: what a monitor stopped
# by SIGTERM recorded reads back as it was watched, and a monitor killed
# outright leaves a sound file holding its results up to about a second
# before the end.
. "$(dirname "$0")/lib.sh"
command -v jq > /dev/null || skip "jq is not installed"
require_echo
use_temp
UP=198.18.10.10 SILENT=198.18.10.20

# watch_until FILE LINES: a monitor of both hosts writing its results into
# FILE until FILE holds LINES of them; its process id in $pid.
watch_until() {
  "$CLI" watch --resolve no -d 200 -w 200 $UP $SILENT > "$1" 2> /dev/null &
  pid=$!
  for _ in $(seq 100); do
    [ "$(wc -l < "$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "the monitor wrote [$(cat "$1")]"
}

watch_until "$TMP/first" 16
kill -TERM $pid
wait $pid 2> /dev/null
expect_status $? 143 "watch stopped by SIGTERM"

run 0 history --json
mv "$TMP/out" "$TMP/summary"
run 0 history --outages --json
mv "$TMP/out" "$TMP/outages"
# of FILE HOST FIELDS: the fields of HOST's records in FILE.
of() { jq -r --arg h "$2" "select(.host == \$h and .address == \$h) | $3" "$TMP/$1"; }
for row in "$UP 0" "$SILENT 100"; do
  read -r host loss <<< "$row"
  # Every result the monitor showed was recorded before it ended.
  shown=$(grep -c "^${host//./\\.}  " "$TMP/first")
  [ "$(of summary "$host" '"\(.sent) \(.loss)"')" == "$shown $loss" ] ||
    fail "$host: $shown results shown, loss $loss expected: $(cat "$TMP/summary")"
done
[ "$(of outages $SILENT '"\(.end) \(.seconds)"')" == "null $(of summary $SILENT .down_seconds)" ] ||
  fail "the silent host is not down since its outage began: $(cat "$TMP/outages")"
[ "$(wc -l < "$TMP/outages")" -eq 1 ] || fail "outages of an answering host: $(cat "$TMP/outages")"
run 1 history 198.18.99.99
expect_line "$TMP/err" 1 "tarvo-cli history: nothing recorded for 198.18.99.99"

second=$(date -u +%Y-%m-%dT%H:%M:%S.%3NZ)
watch_until "$TMP/second" 10
kill -KILL $pid
wait $pid 2> /dev/null
[ "$(sqlite3 "$TARVO_HISTORY" 'PRAGMA integrity_check')" == ok ] || fail "killed: the file is damaged"
run 0 history --results --json --since "$second"
[ "$(grep -c '"type":"result"' "$TMP/out")" -gt 0 ] || fail "killed: nothing of its run was kept"
finish
