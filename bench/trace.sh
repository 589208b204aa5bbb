#!/usr/bin/env bash
# Wall time of a 30-hop traceroute to a silent target in the test network
# (198.18.10.20 ignores echo requests, so hops 4 to 30 all time out), beside
# the system's `traceroute -I` on the same path with the same wait.
#
# Usage (root, test network up): bench/trace.sh [TARVO_CLI] [WAIT_MS]
# Prints one line per tool: name, wall seconds, hop lines printed.
set -u
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-$here/build/src/cli/tarvo-cli}"
wait_ms="${2:-1000}"
target=198.18.10.20
hops=30

if [ "$(id -u)" != 0 ] || ! ip netns list 2>/dev/null | grep -qw tvp; then
  echo "trace.sh: needs root and the test network (scripts/testnet.sh up)" >&2
  exit 77
fi
[ -x "$cli" ] || { echo "trace.sh: no tarvo-cli at $cli" >&2; exit 2; }

store="$(mktemp -d)"
trap 'rm -rf "$store"' EXIT

# seconds_of COMMAND...: runs the command in the prober, prints "seconds lines".
seconds_of() {
  local t0 t1 lines
  t0=$(date +%s.%N)
  lines=$(ip netns exec tvp "$@" 2>/dev/null | grep -cE '^ *[0-9]+ ')
  t1=$(date +%s.%N)
  echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }') $lines"
}

echo "30-hop trace to silent $target, wait ${wait_ms} ms, 3 probes per hop"
read -r s n < <(TARVO_REGISTRY="$store/registry.json" seconds_of "$cli" trace --max-hops "$hops" -w "$wait_ms" "$target")
printf '%-28s %8s s  %3s hop lines\n' "tarvo-cli trace" "$s" "$n"
if command -v traceroute >/dev/null; then
  wait_s=$(awk -v w="$wait_ms" 'BEGIN { printf "%.3f", w / 1000 }')
  read -r s n < <(seconds_of traceroute -I -n -m "$hops" -q 3 -w "$wait_s" "$target")
  printf '%-28s %8s s  %3s hop lines\n' "traceroute -I -n" "$s" "$n"
else
  echo "traceroute -I: not installed"
fi
