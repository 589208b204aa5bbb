#!/usr/bin/env bash
# Runs a test command inside the test network's prober namespace. Exits 77
# (skipped) where the network is not up, unless privileged tests are required.
if [ "$(id -u)" != 0 ] || ! ip netns list 2>/dev/null | grep -qw tvp; then
  echo "test network not up (scripts/testnet.sh up, as root)" >&2
  [ "${TARVO_REQUIRE_PRIVILEGED:-}" = 1 ] && exit 1
  exit 77
fi
exec ip netns exec tvp "$@"
