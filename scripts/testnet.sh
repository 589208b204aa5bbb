#!/usr/bin/env bash
# Builds (up) or removes (down) Tarvo's test network: hosts in network
# namespaces with addresses in 198.18.0.0/15, probed only from the prober.
#
#   tvp  prober            198.18.1.1
#   tvr1 router 1          198.18.1.2  | 198.18.2.1
#   tvr2 router 2          198.18.2.2  | 198.18.3.1   (198.18.20.0/24: host unreachable, from hop 3)
#                          198.18.30.0/24 loops between routers 2 and 3 (time exceeded)
#   tvt  target            198.18.31.0/24 all answer, as addresses of the target
#   tvr3 router 3          198.18.3.2  | 198.18.10.1 | 198.18.4.1
#   tvt  target            198.18.10.10                 (4 hops from the prober)
#   tvs  silent host       198.18.10.20                 (ignores echo requests)
#   tvr4 silent router     198.18.4.2  | 198.18.11.1  (never reports time exceeded)
#   tvt2 target behind it  198.18.11.10                 (5 hops from the prober)
#
# The same hosts and links carry IPv6 in fd00::/8 (unique local addresses):
#
#   tvp  prober            fd00:1::1
#   tvr1 router 1          fd00:1::2   | fd00:2::1
#   tvr2 router 2          fd00:2::2   | fd00:3::1
#                          fd00:30::/64 loops between routers 2 and 3 (time exceeded)
#   tvr3 router 3          fd00:3::2   | fd00:10::1 | fd00:4::1 | fd00:12::1 (MTU 1280)
#                          fd00:13::/64 on-link at router 3 with nobody there
#                          (address unreachable once neighbour discovery gives up)
#   tvt  target            fd00:10::10                  (4 hops from the prober)
#                          fd00:12::10 behind the 1280-byte link (packet too big
#                          for anything larger, as every link before allows 1500)
#   tvs  silent host       fd00:10::20                  (ignores echo requests)
#   tvr4 silent router     fd00:4::2   | fd00:11::1   (never reports time exceeded)
#   tvt2 target behind it  fd00:11::10                  (5 hops from the prober)
#
# Addresses skip duplicate address detection, and ICMPv6 errors are not rate
# limited, as for IPv4.
#
# The prober resolves names from /etc/netns/tvp/hosts (the names ending in
# "6" have IPv6 addresses only) and has no name
# server it could reach, so a reverse look-up of an unnamed address fails
# quickly and nothing ever leaves the namespaces.
#
# Run a command inside the prober with: ip netns exec tvp COMMAND
set -euo pipefail

NAMESPACES=(tvp tvr1 tvr2 tvr3 tvt tvs tvr4 tvt2)

need_root() {
  if [ "$(id -u)" != 0 ]; then
    echo "testnet.sh: needs root (network namespaces)" >&2
    exit 77
  fi
  command -v ip >/dev/null || { echo "testnet.sh: iproute2 missing" >&2; exit 77; }
}

down() {
  for ns in "${NAMESPACES[@]}"; do
    ip netns del "$ns" 2>/dev/null || true
    rm -rf "/etc/netns/$ns"
  done
}

ns() { ip netns exec "$1" "${@:2}"; }

# link NS1 IF1 ADDR1 NS2 IF2 ADDR2 (addresses with prefix length)
link() {
  ip link add "$2" netns "$1" type veth peer name "$5" netns "$4"
  ns "$1" ip addr add "$3" dev "$2"
  ns "$4" ip addr add "$6" dev "$5"
  ns "$1" ip link set "$2" up
  ns "$4" ip link set "$5" up
}

# 198.18.30.0/24 goes round between routers 2 and 3 until its time to live
# runs out: a stream of router errors for a whole subnet. Next to it,
# 198.18.31.0/24 answers on every address (all local to the target).
subnet_routes() {
  ns tvr2 ip route replace 198.18.30.0/24 via 198.18.3.2
  ns tvr3 ip route replace 198.18.30.0/24 via 198.18.3.1
  ns tvr3 ip route replace 198.18.31.0/24 via 198.18.10.10
  ns tvt ip route replace local 198.18.31.0/24 dev lo
}

# The prober's names. Rewritten whole (and replaced in one step), so an
# update never leaves a half-written file under a running test.
prober_names() {
  mkdir -p /etc/netns/tvp
  cat > /etc/netns/tvp/hosts.new <<'HOSTS'
127.0.0.1	localhost
198.18.1.1	prober.tarvo.test prober
198.18.1.2	router1.tarvo.test router1
198.18.2.2	router2.tarvo.test router2
198.18.3.2	router3.tarvo.test router3
198.18.10.10	target.tarvo.test target
198.18.10.20	silent.tarvo.test silent
198.18.11.10	target2.tarvo.test target2
fd00:1::1	prober6.tarvo.test prober6
fd00:3::2	router3-6.tarvo.test router3-6
fd00:10::10	target6.tarvo.test target6
fd00:10::20	silent6.tarvo.test silent6
fd00:12::10	narrow6.tarvo.test narrow6
HOSTS
  mv /etc/netns/tvp/hosts.new /etc/netns/tvp/hosts
  # No reachable name server: look-ups beyond the hosts file fail at once.
  echo "nameserver 127.0.0.1" > /etc/netns/tvp/resolv.conf
  echo "hosts: files dns" > /etc/netns/tvp/nsswitch.conf
}

# addr6 NS IF ADDRESS/PREFIX: added or kept, without the wait for duplicate
# address detection.
addr6() { ns "$1" ip -6 addr replace "$3" dev "$2" nodad; }

# IPv6 on the links above, and the links only IPv6 uses. Safe to run again
# on a network that has it already.
ipv6() {
  for n in "${NAMESPACES[@]}"; do
    ns "$n" sysctl -qw net.ipv6.conf.all.disable_ipv6=0
    ns "$n" sysctl -qw net.ipv6.icmp.ratelimit=0
  done
  for r in tvr1 tvr2 tvr3 tvr4; do ns "$r" sysctl -qw net.ipv6.conf.all.forwarding=1; done
  addr6 tvp  eth0 fd00:1::1/64;  addr6 tvr1 eth0 fd00:1::2/64
  addr6 tvr1 eth1 fd00:2::1/64;  addr6 tvr2 eth0 fd00:2::2/64
  addr6 tvr2 eth1 fd00:3::1/64;  addr6 tvr3 eth0 fd00:3::2/64
  addr6 tvr3 eth1 fd00:10::1/64; addr6 tvt  eth0 fd00:10::10/64
  addr6 tvr3 eth2 fd00:4::1/64;  addr6 tvr4 eth0 fd00:4::2/64
  addr6 tvr4 eth1 fd00:11::1/64; addr6 tvt2 eth0 fd00:11::10/64
  # Nobody on this prefix answers neighbour solicitations.
  addr6 tvr3 eth1 fd00:13::1/64
  # The silent host on its own link, as for IPv4.
  addr6 tvr3 eth3 fd00:10::21/128; addr6 tvs eth0 fd00:10::20/128
  ns tvr3 ip -6 route replace fd00:10::20/128 dev eth3
  ns tvs ip -6 route replace fd00:10::21/128 dev eth0
  ns tvs ip -6 route replace fd00::/8 via fd00:10::21 dev eth0
  ns tvs sysctl -qw net.ipv6.icmp.echo_ignore_all=1
  # A narrow link from router 3 to a second address of the target.
  if ! ns tvr3 ip link show eth4 >/dev/null 2>&1; then
    ip link add eth4 netns tvr3 mtu 1280 type veth peer name eth1 netns tvt mtu 1280
    ns tvr3 ip link set eth4 up
    ns tvt ip link set eth1 up
  fi
  addr6 tvr3 eth4 fd00:12::1/64; addr6 tvt eth1 fd00:12::10/64

  ns tvp  ip -6 route replace fd00::/8 via fd00:1::2
  ns tvr1 ip -6 route replace fd00::/8 via fd00:2::2
  ns tvr2 ip -6 route replace fd00:1::/64 via fd00:2::1
  ns tvr2 ip -6 route replace fd00::/8 via fd00:3::2
  ns tvr3 ip -6 route replace fd00::/8 via fd00:3::1
  ns tvr3 ip -6 route replace fd00:11::/64 via fd00:4::2
  ns tvt  ip -6 route replace fd00::/8 via fd00:10::1
  ns tvr4 ip -6 route replace fd00::/8 via fd00:4::1
  ns tvt2 ip -6 route replace fd00::/8 via fd00:11::1
  ns tvr2 ip -6 route replace fd00:30::/64 via fd00:3::2
  ns tvr3 ip -6 route replace fd00:30::/64 via fd00:3::1
  # The silent router keeps quiet in IPv6 too.
  if ! ns tvr4 nft list table inet silent6 >/dev/null 2>&1; then
    ns tvr4 nft -f - <<'NFT'
table inet silent6 {
  chain out {
    type filter hook output priority 0; policy accept;
    icmpv6 type time-exceeded drop
  }
}
NFT
  fi
  prober_names
}

up() {
  down  # also clears what an earlier run that died left behind
  for n in "${NAMESPACES[@]}"; do
    ip netns add "$n"
    ns "$n" ip link set lo up
    ns "$n" sysctl -qw net.ipv4.icmp_ratelimit=0
    ns "$n" sysctl -qw net.ipv4.icmp_msgs_per_sec=100000
    ns "$n" sysctl -qw net.ipv4.icmp_msgs_burst=100000
  done
  for r in tvr1 tvr2 tvr3 tvr4; do ns "$r" sysctl -qw net.ipv4.ip_forward=1; done
  # Anyone in the prober may open echo sockets, as on a desktop.
  ns tvp sysctl -qw net.ipv4.ping_group_range="0 2147483647"

  link tvp  eth0 198.18.1.1/24  tvr1 eth0 198.18.1.2/24
  link tvr1 eth1 198.18.2.1/24  tvr2 eth0 198.18.2.2/24
  link tvr2 eth1 198.18.3.1/24  tvr3 eth0 198.18.3.2/24
  link tvr3 eth1 198.18.10.1/24 tvt  eth0 198.18.10.10/24
  link tvr3 eth2 198.18.4.1/24  tvr4 eth0 198.18.4.2/24
  link tvr4 eth1 198.18.11.1/24 tvt2 eth0 198.18.11.10/24
  # The silent host shares the target's segment through the target's bridge-less
  # second link: its own veth to router 3.
  link tvr3 eth3 198.18.10.21/32 tvs eth0 198.18.10.20/32
  ns tvr3 ip route add 198.18.10.20/32 dev eth3 src 198.18.10.1
  ns tvs ip route add 198.18.10.1/32 dev eth0
  ns tvs ip route add 198.18.0.0/15 via 198.18.10.1 dev eth0 onlink
  ns tvs sysctl -qw net.ipv4.icmp_echo_ignore_all=1

  ns tvp  ip route add 198.18.0.0/15 via 198.18.1.2
  ns tvr1 ip route add 198.18.0.0/15 via 198.18.2.2
  ns tvr2 ip route add 198.18.1.0/24 via 198.18.2.1
  ns tvr2 ip route add 198.18.0.0/15 via 198.18.3.2
  ns tvr3 ip route add 198.18.0.0/15 via 198.18.3.1
  ns tvr3 ip route add 198.18.11.0/24 via 198.18.4.2
  ns tvt  ip route add 198.18.0.0/15 via 198.18.10.1
  ns tvr4 ip route add 198.18.0.0/15 via 198.18.4.1
  ns tvt2 ip route add 198.18.0.0/15 via 198.18.11.1
  subnet_routes
  ipv6
  # Host unreachable for 198.18.20.0/24 through a reject rule rather than an
  # unreachable route: the kernel limits the errors of unreachable routes
  # host-wide (net.ipv4.route.error_cost, not settable per namespace) to about
  # one a second, which would swallow most answers to parallel probes.
  ns tvr2 nft -f - <<'NFT'
table inet unreachable {
  chain deny {
    type filter hook forward priority 0; policy accept;
    ip daddr 198.18.20.0/24 reject with icmp type host-unreachable
  }
}
NFT
  ns tvr4 nft -f - <<'NFT'
table inet silent {
  chain out {
    type filter hook output priority 0; policy accept;
    icmp type time-exceeded drop
  }
}
NFT

  prober_names

  # Wait until the far end answers, so tests never race the set-up.
  for _ in $(seq 1 50); do
    if ns tvt ip route get 198.18.1.1 >/dev/null 2>&1 &&
       ns tvp bash -c 'exec 3<>/dev/null' 2>/dev/null; then break; fi
    sleep 0.1
  done
}

case "${1:-}" in
  up) need_root; up; echo "test network up" ;;
  # Adds what a newer version of this script sets up to a running network,
  # without taking it down under tests that use it.
  update) need_root; subnet_routes; ipv6; echo "test network updated" ;;
  down) need_root; down; echo "test network down" ;;
  status) ip netns list | grep -E '^tv' || echo "test network down" ;;
  *) echo "usage: $0 up|update|down|status" >&2; exit 2 ;;
esac
