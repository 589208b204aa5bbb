#!/usr/bin/env bash
# Typed numbers out of limits and COMMAND --help, as a user meets them: a
# usage error says so at once, before any settings file is written or any
# echo request is sent.
. "$(dirname "$0")/lib.sh"
use_temp

# refused COMMAND MESSAGE WORDS...: status 2, MESSAGE alone on standard
# error, nothing on standard output.
refused() {
  local command=$1 message=$2 status=0
  shift 2
  timeout -s TERM 5 "$CLI" "$command" "$@" > "$TMP/out" 2> "$TMP/err" || status=$?
  expect_status "$status" 2 "$command $*"
  expect_line "$TMP/err" 1 "tarvo-cli $command: $message"
  expect_lines "$TMP/out" 0
}

refused ping '-n takes a number from 0 to 65535, not "abc"' -n abc 127.0.0.1
refused ping '-d takes a number from 1 to 65535, not "-1"' -d -1 127.0.0.1
refused range '-w takes a number from 1 to 65535, not "4294967296"' -w 4294967296 127.0.0.1 127.0.0.2
refused trace '--max-hops takes a number from 1 to 255, not "0"' --max-hops 0 127.0.0.1
refused watch '--down-after takes a number from 1 to 100, not "abc"' --down-after abc 127.0.0.1
[ ! -e "$TARVO_REGISTRY" ] || fail "a refused run wrote the settings file"

# A command's help: its own options, with defaults; --version after it too.
status=0
"$CLI" ping --help > "$TMP/help" 2> "$TMP/err" || status=$?
expect_status "$status" 0 "ping --help"
grep -q '^  -n COUNT .*default 4)$' "$TMP/help" || fail "ping --help: no -n with its default"
grep -q '^  --version ' "$TMP/help" || fail "ping --help: no --version"
! grep -q -e '--max-hops' -e '--netmask-bits' "$TMP/help" || fail "ping --help: other commands' options"
[ "$("$CLI" watch --version)" == "$("$CLI" --version)" ] || fail "watch --version"
finish
