#!/usr/bin/env bash
# A typed number out of its limits, as a user meets it: a usage error says
# so at once, before any settings file is written or any echo request is
# sent. (Each option's message is checked in the unit tests.)
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
[ ! -e "$TARVO_REGISTRY" ] || fail "a refused run wrote the settings file"

# Each command takes --version too.
[ "$("$CLI" watch --version)" == "$("$CLI" --version)" ] || fail "watch --version"
finish
