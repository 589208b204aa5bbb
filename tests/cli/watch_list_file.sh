#!/usr/bin/env bash
# tarvo-cli watch --file with lists that hold no hosts or never end: each is
# refused with a usage error at once, before any host is pinged.
. "$(dirname "$0")/lib.sh"
use_temp

# refused LIST MESSAGE: the command ends with status 2 and says MESSAGE,
# an @ in it standing for the path of LIST.
refused() {
  local status=0
  timeout -s TERM 5 "$CLI" watch --json --file "$1" > "$TMP/out" 2> "$TMP/err" || status=$?
  expect_status "$status" 2 "$1"
  expect_line "$TMP/err" 1 "tarvo-cli watch: ${2//@/$1}"
  expect_lines "$TMP/out" 0
}

# Reading stops at the first NUL, so an endless device is no list at all.
refused /dev/zero "needs at least one HOST or a --file LIST"
refused "$TMP" "cannot read @"
# An endless stream of hosts is cut off rather than read into memory.
refused <(yes 127.0.0.1) "@ is larger than 16 MiB"
finish
