#!/usr/bin/env bash
# Both programs open their echo sockets and then give up every capability
# before doing anything else: run with the raw-socket capability as an
# ordinary user (and as root), no thread keeps a capability, yet echo
# requests still go out on the sockets opened first (the window: its raw
# socket is held while no thread has a capability).
TARVO_CLI=${TARVO_CLI:?path of tarvo-cli}
. "$(dirname "$0")/../cli/lib.sh"

[ "$(id -u)" = 0 ] || skip "needs root to grant the capability"
command -v unshare >/dev/null && command -v setpriv >/dev/null && command -v setcap >/dev/null ||
  skip "needs unshare, setpriv and setcap"
TMP=$(mktemp -d)
chmod 755 "$TMP"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$TMP"
}
trap cleanup EXIT
cp "$CLI" "$TMP/tarvo-cli"
setcap cap_net_raw+ep "$TMP/tarvo-cli" 2>/dev/null ||
  skip "cannot set a file capability in $TMP (no extended attributes?)"
cp "${TARVO_WINDOW:?path of tarvo}" "$TMP/tarvo" && setcap cap_net_raw+ep "$TMP/tarvo"
mkdir -m 777 "$TMP/home"
mkdir -m 700 "$TMP/run"
chown nobody "$TMP/run"
export HOME=$TMP/home XDG_CONFIG_HOME=$TMP/home XDG_STATE_HOME=$TMP/home \
  XDG_RUNTIME_DIR=$TMP/run TARVO_REGISTRY=$TMP/home/registry.json
unset TARVO_ECHO_SOCKET

# in_netns nobody|root COMMAND...: in a fresh network namespace where ping
# sockets are refused to everyone, so only the raw-socket capability helps.
# Replaces the calling (sub)shell, so $! of a background call is the program.
in_netns() {
  local who=()
  [ "$1" = nobody ] && who=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  shift
  exec unshare -n bash -c 'ip link set lo up && sysctl -qw net.ipv4.ping_group_range="1 0" && exec "$@"' \
    _ "${who[@]}" "$@"
}

# check_capabilities PID WHAT: every thread holds no capability and may gain none.
check_capabilities() {
  local task bad
  for task in /proc/"$1"/task/*; do
    bad=$(awk '/^Cap(Eff|Prm):/ && $2 !~ /^0+$/ || /^NoNewPrivs:/ && $2 != 1' "$task/status")
    [ -z "$bad" ] || fail "$2: thread ${task##*/} has" $bad
  done
}

# A ping as nobody and as root: caps gone while it runs, every reply still there.
for who in nobody root; do
  in_netns "$who" "$TMP/tarvo-cli" ping -n 3 127.0.0.1 > "$TMP/ping-$who" 2>&1 &
  pid=$!
  PIDS+=("$pid")
  if wait_for "$TMP/ping-$who" "Reply from"; then
    check_capabilities "$pid" "ping as $who"
  else
    fail "ping as $who: no reply"
  fi
  wait "$pid"
  expect_status $? 0 "ping as $who"
  [ "$(grep -c 'Reply from 127.0.0.1' "$TMP/ping-$who")" = 3 ] ||
    { fail "ping as $who: not every reply"; cat "$TMP/ping-$who" >&2; }
done

raw_socket_held() {
  local inode
  for inode in $(awk 'NR > 1 {print $10}' /proc/"$1"/net/raw); do
    ls -l /proc/"$1"/fd 2> /dev/null | grep -q "socket:\[$inode\]" && return 0
  done
  return 1
}
QT_QPA_PLATFORM=offscreen in_netns nobody "$TMP/tarvo" > "$TMP/window" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do raw_socket_held "${PIDS[-1]}" && break || sleep 0.1; done
if raw_socket_held "${PIDS[-1]}"; then
  sleep 0.5 # let the window start its threads
  check_capabilities "${PIDS[-1]}" "window"
else
  fail "window did not start with its raw socket: $(cat "$TMP/window")"
fi
finish
