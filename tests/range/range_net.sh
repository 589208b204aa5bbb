#!/usr/bin/env bash
# tarvo-cli range against loopback: a burst sweep under a low descriptor
# limit, and the progress line on a terminal.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp
REACHED_RE='  Bytes=32;  sent/recv/lost=1/1/0;  min/avg/max=[0-9]+/[0-9]+/[0-9]+;  TTL=64$'

# A burst /20 with only 256 descriptors: every address answers for itself.
(ulimit -n 256 && exec "$CLI" range --burst --netmask-bits 20 -n 1 127.0.0.0 127.0.15.255) \
  > "$TMP/burst" 2> "$TMP/burst_err"
expect_status $? 0 "burst /20 under ulimit -n 256"
grep -E "^      127\.0\.[0-9]+\.[0-9]+$REACHED_RE" "$TMP/burst" | awk '{print $1}' > "$TMP/reached"
for t in $(seq 0 15); do for f in $(seq 0 255); do echo "127.0.$t.$f"; done; done |
  sed '1d;$d' > "$TMP/expected"
cmp -s "$TMP/reached" "$TMP/expected" || fail "burst /20: reached lines not every address in order"

# Across a /24 boundary its broadcast and network addresses are skipped. On
# a terminal standard error carries a progress line, taken away before the
# closing report.
script -qec "\"$CLI\" range -w 2000 127.0.0.250 127.0.1.3 > \"$TMP/pty_out\"" /dev/null \
  > "$TMP/pty_err" < /dev/null
expect_status $? 0 "range with standard error on a terminal"
grep -qE $'\r\e\\[K  [0-9]+ / 10  [0-9.]+%' "$TMP/pty_err" || fail "no progress line: $(cat -v "$TMP/pty_err")"
[[ "$(< "$TMP/pty_err")" == *$'\r\e[K  Done \r\n  Number of reached addresses: 8 of 10\r' ]] ||
  fail "progress line not cleared before the closing lines: $(cat -v "$TMP/pty_err")"
finish
