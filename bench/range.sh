#!/usr/bin/env bash
# Range ping benchmark: wall time and peak memory of a burst sweep of
# 127.0.0.0/16 and of a /20 with tarvo-cli, beside fping over the same
# addresses in the same run. Loopback only.
#
#   bench/range.sh [path/to/tarvo-cli]     (default: build/src/cli/tarvo-cli)
#
# Targets for the /16 on a 2-core machine: at most 5 s wall and 400 MB peak,
# 65,534 reached, 1 network and 1 broadcast address, also with only 256
# file descriptors.
set -u
cd "$(dirname "$0")/.."
CLI=${1:-${TARVO_CLI:-build/src/cli/tarvo-cli}}
[ -x "$CLI" ] || { echo "bench/range.sh: no tarvo-cli at $CLI (build first)" >&2; exit 2; }
command -v fping >/dev/null || { echo "bench/range.sh: fping missing (apt-get install fping)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "bench/range.sh: /usr/bin/time missing (apt-get install time)" >&2; exit 2; }
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json  # built-in defaults, whatever the user saved

if ! "$CLI" range -w 300 127.0.0.1 127.0.0.1 >/dev/null 2>&1; then
  echo "bench/range.sh: no echo socket here (run as root or allow ping sockets)" >&2
  exit 77
fi

# measure LABEL OUTFILE COMMAND...: runs COMMAND once, prints wall and peak.
measure() {
  local label=$1 out=$2
  shift 2
  /usr/bin/time -o "$TMP/time" -f "%e %M" "$@" > "$out" 2> "$TMP/err"
  local rc=$?
  read -r wall kib < <(tail -n 1 "$TMP/time")
  awk -v l="$label" -v w="$wall" -v k="$kib" -v rc="$rc" \
    'BEGIN { printf "  %-58s wall %6.2f s   peak %7.1f MB   exit %d\n", l, w, k / 1024, rc }'
}

# figure OUTFILE LABEL: a number from the statistics block.
figure() { grep -F "$2" "$1" | tail -n 1 | sed 's/.*[^0-9]\([0-9][0-9]*\)$/\1/'; }

sweep() {
  local bits=$1 last=$2 net=127.0.0.0/$1
  echo "== 127.0.0.0/$bits"
  measure "tarvo-cli range --burst --netmask-bits $bits -n 1 >/dev/null" /dev/null \
    "$CLI" range --burst --netmask-bits "$bits" -n 1 127.0.0.0 "$last"
  echo "    status: $(tr '\n' '|' < "$TMP/err")"
  measure "same, stdout to a file, ulimit -n 256" "$TMP/out" \
    bash -c 'ulimit -n 256 && exec "$@"' _ "$CLI" range --burst --netmask-bits "$bits" -n 1 \
    127.0.0.0 "$last"
  echo "    reached $(figure "$TMP/out" "Number of reached addresses:")," \
    "not reached $(figure "$TMP/out" "Number of not reached addresses:")," \
    "network $(figure "$TMP/out" "Network addresses:")," \
    "broadcast $(figure "$TMP/out" "Broadcast addresses:")," \
    "set-up failures $(grep -c 'Could not load' "$TMP/out")"
  measure "fping -i 0 -r 0 -q -g $net" /dev/null fping -i 0 -r 0 -q -g "$net"
  measure "fping -i 1 -r 0 -q -g $net" /dev/null fping -i 1 -r 0 -q -g "$net"
}

echo "range ping benchmark, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
sweep 20 127.0.15.255
sweep 16 127.0.255.255
