#!/usr/bin/env bash
# How a run ends from outside: SIGINT and SIGTERM are a Break, standard
# output that cannot be written stops the run.
. "$(dirname "$0")/lib.sh"
require_echo
use_temp
END_OF_PING="    ------------------------End of Ping------------------------"

# Ctrl+C (a Break: 0) and SIGTERM (143) during an endless ping: end time,
# statistics of what was sent, closing line.
# A file of its own for each run: its first reply says the run is going.
for sig in INT:0 TERM:143; do
  "$CLI" ping -n 0 -d 100 127.0.0.1 > "$TMP/ping.$sig" 2>/dev/null &
  pid=$!
  wait_for "$TMP/ping.$sig" "Reply from" || fail "endless ping: no reply"
  kill -"${sig%:*}" $pid
  wait $pid
  expect_status $? "${sig#*:}" "endless ping, SIG${sig%:*}"
  tail -n 6 "$TMP/ping.$sig" > "$TMP/tail"
  expect_match "$TMP/tail" 1 '^        End time  '
  expect_match "$TMP/tail" 3 '^        Packets:     sent / received / lost = ([0-9]+) / \1 / 0   \(0% Loss\)$'
  expect_line "$TMP/tail" 6 "$END_OF_PING"
done

# SIGTERM during a paced sweep into a file: the buffered lines and the
# report are written, then 143.
"$CLI" range 127.0.0.1 127.0.0.254 > "$TMP/range" 2> "$TMP/range.err" &
pid=$!
wait_for "$TMP/range" "127\.0\.0\.1  Bytes=" || fail "range: no address done"
kill -TERM $pid
wait $pid
expect_status $? 143 "range terminated"
expect_match "$TMP/range" 4 '^      127\.0\.0\.1  Bytes=32;'
expect_match "$TMP/range" '$' '^    -+ End of Range Ping -+$'
expect_match "$TMP/range.err" 1 '^  Break after [0-9]+ addresses$'

# With SIGPIPE ignored, a closed pipe ends an endless ping with status 3.
status=$(trap '' PIPE
  timeout 10 "$CLI" ping -n 0 -d 100 127.0.0.1 2> "$TMP/pipe.err" | head -n 1 > /dev/null
  echo "${PIPESTATUS[0]}")
expect_status "$status" 3 "endless ping into a closed pipe"
expect_line "$TMP/pipe.err" 1 "tarvo-cli: cannot write standard output: Broken pipe"

# A sweep into a full device is not a success.
"$CLI" range 127.0.0.1 127.0.0.4 > /dev/full 2> "$TMP/full.err"
expect_status $? 3 "range into /dev/full"
expect_match "$TMP/full.err" '$' '^tarvo-cli: cannot write standard output: No space left on device$'
finish
