#!/usr/bin/env bash
# Without any echo socket (an unprivileged user in a fresh network namespace,
# where ping sockets are allowed to nobody) the ping says so and exits 2.
. "$(dirname "$0")/lib.sh"
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v setpriv >/dev/null; then
  echo "needs root, unshare and setpriv" >&2
  [ "${TARVO_REQUIRE_PRIVILEGED:-}" = 1 ] && exit 1
  exit 77
fi
TMP=$(mktemp -d)
chmod 777 "$TMP"
trap 'rm -rf "$TMP"' EXIT
# A copy the other user can reach, wherever the build tree lies.
cp "$CLI" "$TMP/tarvo-cli"
chmod 755 "$TMP/tarvo-cli"

TARVO_REGISTRY=$TMP/registry.json unshare -n setpriv --reuid=nobody --regid=nogroup \
  --clear-groups "$TMP/tarvo-cli" ping -n 1 127.0.0.1 > "$TMP/out" 2> "$TMP/err"
expect_status $? 2 "ping without echo socket"
expect_lines "$TMP/out" 2
expect_line "$TMP/out" 1 "  $DOT Could not load ICMP.DLL"
expect_line "$TMP/out" 2 "    ------------------------End of Ping------------------------"
finish
