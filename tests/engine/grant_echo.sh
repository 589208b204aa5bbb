#!/usr/bin/env bash
# scripts/grant-echo.sh on a copy of the built console program: it sets the
# raw-socket capability once and leaves a program that has it alone; to a
# user who cannot become root it names the commands an administrator must run.
. "$(dirname "$0")/../cli/lib.sh"
GRANT=$(dirname "$0")/../../scripts/grant-echo.sh
if [ "$(id -u)" != 0 ] || ! command -v setcap >/dev/null || ! command -v getcap >/dev/null ||
  ! command -v setpriv >/dev/null; then
  skip "needs root, setcap, getcap and setpriv"
fi
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
chmod 755 "$TMP"  # the ordinary user below reads the programs
cp "$CLI" "$TMP/tarvo-cli"
setcap cap_net_raw+ep "$TMP/tarvo-cli" 2>/dev/null || skip "no file capabilities in $TMP"
setcap -r "$TMP/tarvo-cli"

bash "$GRANT" "$TMP/tarvo-cli" > "$TMP/out" 2>&1
expect_status $? 0 "grant"
getcap "$TMP/tarvo-cli" | grep -q 'cap_net_raw[=+]ep' || fail "no capability after the grant"

# An ordinary user whose PATH lacks /usr/sbin, where getcap lives, is asked
# nothing once the capability is there.
env -i PATH=/usr/bin:/bin setpriv --reuid=nobody --regid=nogroup --clear-groups \
  bash "$GRANT" "$TMP/tarvo-cli" > "$TMP/again" 2>&1 < /dev/null
expect_status $? 0 "second grant, as a user"
expect_lines "$TMP/again" 0

# A user without sudo rights: sudo refuses, an administrator must act.
setcap -r "$TMP/tarvo-cli"
cp "$TMP/tarvo-cli" "$TMP/tarvo"
mkdir "$TMP/bin"
printf '#!/bin/sh\necho "not in the sudoers file" >&2\nexit 1\n' > "$TMP/bin/sudo"
chmod 755 "$TMP/bin" "$TMP/bin/sudo"
env -i PATH="$TMP/bin:/usr/bin:/bin" setpriv --reuid=nobody --regid=nogroup --clear-groups \
  bash "$GRANT" "$TMP/tarvo" "$TMP/tarvo-cli" > "$TMP/nosudo" 2>&1 < /dev/null
expect_status $? 1 "grant without sudo rights"
grep -q "an administrator" "$TMP/nosudo" || fail "no word that an administrator must act"
DIR=$(realpath "$TMP")
for line in "  setcap cap_net_raw+ep $DIR/tarvo" "  setcap cap_net_raw+ep $DIR/tarvo-cli" \
  '  sysctl -w net.ipv4.ping_group_range="0 2147483647"'; do
  grep -qxF -- "$line" "$TMP/nosudo" || { fail "no [$line]"; cat "$TMP/nosudo" >&2; }
done

finish
