#!/usr/bin/env bash
# scripts/grant-echo.sh on a copy of the built console program: it sets the
# raw-socket capability once and leaves a program that has it alone; where
# setcap fails it shows the ping socket alternative instead.
. "$(dirname "$0")/../cli/lib.sh"
GRANT=$(dirname "$0")/../../scripts/grant-echo.sh
if [ "$(id -u)" != 0 ] || ! command -v setcap >/dev/null || ! command -v getcap >/dev/null; then
  skip "needs root, setcap and getcap"
fi
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
cp "$CLI" "$TMP/tarvo-cli"
setcap cap_net_raw+ep "$TMP/tarvo-cli" 2>/dev/null || skip "no file capabilities in $TMP"
setcap -r "$TMP/tarvo-cli"

bash "$GRANT" "$TMP/tarvo-cli" > "$TMP/out" 2>&1
expect_status $? 0 "grant"
getcap "$TMP/tarvo-cli" | grep -q 'cap_net_raw[=+]ep' || fail "no capability after the grant"
grep -q "cap_net_raw" "$TMP/out" || fail "the grant did not say what it does"

bash "$GRANT" "$TMP/tarvo-cli" > "$TMP/again" 2>&1
expect_status $? 0 "second grant"
expect_lines "$TMP/again" 0

# A setcap that fails, as on a file system without extended attributes.
setcap -r "$TMP/tarvo-cli"
mkdir "$TMP/bin"
printf '#!/bin/sh\nexit 1\n' > "$TMP/bin/setcap"
chmod +x "$TMP/bin/setcap"
PATH=$TMP/bin:$PATH bash "$GRANT" "$TMP/tarvo-cli" > "$TMP/refused" 2>&1
expect_status $? 1 "refused grant"
grep -qF 'sudo sysctl -w net.ipv4.ping_group_range="0 2147483647"' "$TMP/refused" ||
  fail "no ping_group_range alternative"
finish
