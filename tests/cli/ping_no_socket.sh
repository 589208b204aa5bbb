#!/usr/bin/env bash
# Without any echo socket (an unprivileged user in a fresh network namespace,
# where ping sockets are allowed to nobody) each command says so on standard
# output, names both ways to allow one on standard error and exits 2.
. "$(dirname "$0")/lib.sh"
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v setpriv >/dev/null; then
  skip "needs root, unshare and setpriv"
fi
use_temp
chmod 777 "$TMP"
# A copy the other user can reach, wherever the build tree lies.
cp "$CLI" "$TMP/tarvo-cli"
chmod 755 "$TMP/tarvo-cli"

as_nobody() {
  unshare -n setpriv --reuid=nobody --regid=nogroup --clear-groups "$TMP/tarvo-cli" "$@" \
    > "$TMP/out" 2> "$TMP/err"
}

for command in "ping -n 1 127.0.0.1" "range 127.0.0.1 127.0.0.2" "trace 127.0.0.1"; do
  # shellcheck disable=SC2086
  as_nobody $command
  expect_status $? 2 "$command without echo socket"
  expect_lines "$TMP/out" 2
  grep -qx "  $DOT Could not load ICMP.DLL" "$TMP/out" || fail "$command: $(cat "$TMP/out")"
  expect_line "$TMP/err" 1 \
    "tarvo-cli: No ICMP echo socket can be opened. Allow one in either of two ways:"
  expect_match "$TMP/err" 2 '^  sudo sysctl -w net\.ipv4\.ping_group_range="0 2147483647"  '
  expect_match "$TMP/err" 3 "^  sudo setcap cap_net_raw\+ep $TMP/tarvo-cli  "
done

# Out of descriptors, allowing sockets would not help: the cause is named.
# A sanitizer's runtime opens files of its own while it checks, so with two
# descriptors left it reports its own failure: that case needs a plain build.
[ -n "${TARVO_SANITIZED:-}" ] && { finish; exit 0; }
(ulimit -n 5 && exec unshare -n "$CLI" ping -n 1 127.0.0.1) > "$TMP/out" 2> "$TMP/err"
expect_status $? 2 "ping without a free descriptor"
expect_line "$TMP/err" 1 \
  "tarvo-cli: no descriptor is free for an echo socket (Too many open files)"
finish
