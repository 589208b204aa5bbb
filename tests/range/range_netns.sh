#!/usr/bin/env bash
# tarvo-cli range inside the test network's prober: a host that never
# answers and a subnet a router reports unreachable.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

run 1 range -w 500 198.18.10.20 198.18.10.20
expect_line "$TMP/out" 4 "      198.18.10.20  Request timed out"
expect_line "$TMP/out" 11 "                Number of not reached addresses:...........1"

run 1 range --burst -w 2000 198.18.20.1 198.18.20.3
for n in 1 2 3; do
  expect_line "$TMP/out" $((n + 3)) \
    "      198.18.20.$n  Reply from 198.18.2.2: Destination host unreachable"
done

run 0 range -n 2 -d 100 198.18.10.10 198.18.10.10
expect_match "$TMP/out" 4 \
  '^      198\.18\.10\.10  Bytes=32;  sent/recv/lost=2/2/0;  min/avg/max=[0-9]+/[0-9]+/[0-9]+;  TTL=61$'

# Few threads to be had (nobody, at most 40 processes): workers wait for
# threads to come free, and no address is reported unreached for want of one.
if [ "$(id -u)" = 0 ] && command -v setpriv > /dev/null; then
  chmod 755 "$TMP"
  cp "$CLI" "$TMP/tarvo-cli"
  setpriv --reuid=nobody --regid=nogroup --clear-groups bash -c \
    'ulimit -u 40 && exec "$1" range --burst -w 2000 198.18.31.0 198.18.31.255' _ \
    "$TMP/tarvo-cli" > "$TMP/few" 2>/dev/null
  expect_status $? 0 "few threads"
  expect_line "$TMP/few" 265 "                Number of reached addresses:.............254"
  expect_line "$TMP/few" 266 "                Number of not reached addresses:...........0"
fi
finish
