#!/usr/bin/env bash
# A stop of the monitor never waits for a name look-up: a name server that
# takes the question and never answers, a resolver that would wait a minute
# for it, and SIGTERM still ends tarvo-cli watch by itself, long before the
# 30 s bound would kill it. Runs in a network and
# mount namespace of its own with only loopback, so no question leaves it.
. "$(dirname "$0")/../cli/lib.sh"
if [ -z "${TARVO_IN_NS:-}" ]; then
  [ "$(id -u)" = 0 ] || skip "needs root for a network and mount namespace"
  command -v python3 > /dev/null || skip "needs python3 for the silent name server"
  unshare -nm true 2> /dev/null || skip "cannot create network and mount namespaces here"
  TARVO_IN_NS=1 exec timeout 60 unshare -nm bash "$0"
fi

use_temp
ip link set lo up || fail "no loopback"
# The namespace's own name service: our hosts file, our silent server, and
# no look-up service reached through a socket of the machine.
printf '127.0.0.1 localhost\n' > "$TMP/hosts"
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:2\n' > "$TMP/resolv.conf"
printf 'hosts: files dns\n' > "$TMP/nsswitch.conf"
for f in hosts resolv.conf nsswitch.conf; do
  mount --bind "$TMP/$f" "/etc/$f" || skip "cannot bind-mount over /etc/$f"
done
for d in /run/nscd /var/run/nscd; do
  [ -d "$d" ] && mount -t tmpfs none "$d"
done

timeout 30 python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 53))
open(sys.argv[1], "w").close()
while True:
    s.recvfrom(4096)
    with open(sys.argv[2], "a") as f:
        f.write("question\n")
' "$TMP/listening" "$TMP/questions" &
server=$!
for _ in $(seq 50); do [ -e "$TMP/listening" ] && break; sleep 0.1; done
[ -e "$TMP/listening" ] || fail "the silent name server did not start"

timeout 30 "$CLI" watch --resolve once nosuch.example.test > "$TMP/out" 2> "$TMP/err" &
pid=$!
for _ in $(seq 50); do [ -s "$TMP/questions" ] && break; sleep 0.1; done
[ -s "$TMP/questions" ] || fail "the look-up never asked the name server"
sleep 1
kill -TERM $pid
wait $pid
expect_status $? 143 "watch stopped by SIGTERM during a look-up (124: the look-up was awaited)"
kill $server 2> /dev/null
wait $server 2> /dev/null
finish
