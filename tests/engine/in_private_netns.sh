#!/usr/bin/env bash
# Runs a command in a network namespace of its own (loopback up, echo
# sockets allowed for everyone), where tests may change its ICMP settings;
# TARVO_PRIVATE_NETNS tells them so. Exits 77 where none can be made.
if ! unshare -n true 2>/dev/null; then
  echo "cannot make a network namespace" >&2
  [ "${TARVO_REQUIRE_PRIVILEGED:-}" = 1 ] && exit 1
  exit 77
fi
exec unshare -n sh -c 'ip link set lo up && sysctl -qw net.ipv4.ping_group_range="0 2147483647" &&
  TARVO_PRIVATE_NETNS=1 exec "$0" "$@"' "$@"
