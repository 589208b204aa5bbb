#!/usr/bin/env bash
# Installs what is missing, builds the two programs (not the tests, which
# scripts/test.sh builds) and starts Tarvo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
TARVO_TARGETS=programs scripts/build.sh

# Whether this user can open echo sockets without help: root, or a member
# of a group that net.ipv4.ping_group_range allows.
echo_sockets_available() {
  [ "$(id -u)" = 0 ] && return 0
  local low high group
  read -r low high < /proc/sys/net/ipv4/ping_group_range 2>/dev/null || return 1
  for group in $(id -G); do
    [ "$group" -ge "$low" ] && [ "$group" -le "$high" ] && return 0
  done
  return 1
}

PROGRAMS=()
for p in build/src/ui/tarvo build/src/cli/tarvo-cli; do
  [ -x "$p" ] && PROGRAMS+=("$p")
done
# A rebuild drops the capability, so it is granted again after each build;
# the window starts even where it cannot be (it then says what is missing).
if ! echo_sockets_available; then
  scripts/grant-echo.sh "${PROGRAMS[@]}" || true
fi
if [ -x build/src/ui/tarvo ]; then
  exec build/src/ui/tarvo "$@"
fi
exec build/src/cli/tarvo-cli ping 127.0.0.1
