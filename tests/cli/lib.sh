# Helpers for the console front end's tests: run tarvo-cli, compare lines.
set -u
CLI=${TARVO_CLI:?path of tarvo-cli}
FAILS=0
DOT=$'\u00B7'

fail() { echo "FAIL: $*" >&2; FAILS=$((FAILS + 1)); }

# expect_line FILE N TEXT: line N (1-based) of FILE is TEXT exactly.
expect_line() {
  [ "$(sed -n "${2}p" "$1")" == "$3" ] || fail "$1 line $2: expected [$3], got [$(sed -n "${2}p" "$1")]"
}

# expect_match FILE N REGEX
expect_match() {
  [[ "$(sed -n "${2}p" "$1")" =~ $3 ]] || fail "$1 line $2: [$(sed -n "${2}p" "$1")] does not match /$3/"
}

expect_lines() {
  [ "$(wc -l < "$1")" -eq "$2" ] || { fail "$1: expected $2 lines, got $(wc -l < "$1")"; cat "$1" >&2; }
}

expect_status() { [ "$1" -eq "$2" ] || fail "$3: exit status $1, expected $2"; }

# run STATUS WORDS...: tarvo-cli WORDS ends with STATUS within 20 s, its
# standard output in $TMP/out and standard error in $TMP/err.
run() {
  local want=$1 status=0
  shift
  timeout -s TERM 20 "$CLI" "$@" > "$TMP/out" 2> "$TMP/err" || status=$?
  expect_status "$status" "$want" "$*"
}

# skip REASON: exit 77, or fail where privileged tests are required.
skip() {
  echo "$1" >&2
  [ "${TARVO_REQUIRE_PRIVILEGED:-}" = 1 ] && exit 1
  exit 77
}

require_echo() {
  local out
  out=$("$CLI" ping -n 1 -w 100 127.0.0.1 2>&1)
  [[ "$out" != *"Could not load ICMP.DLL"* ]] || skip "no echo socket on this machine"
}

# wait_for FILE PATTERN: until a line of FILE matches (at most 10 s), so a
# loaded machine's slow start does not shorten what a test measures.
wait_for() {
  for _ in $(seq 100); do
    grep -qE "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# A fresh $TMP, removed on exit, holding the settings and history files the
# run uses.
use_temp() {
  TMP=$(mktemp -d)
  trap 'rm -rf "$TMP"' EXIT
  export TARVO_REGISTRY=$TMP/registry.json TARVO_HISTORY=$TMP/history.sqlite
}

finish() {
  [ "$FAILS" -eq 0 ] || { echo "$FAILS check(s) failed" >&2; exit 1; }
  echo "all checks passed"
}
