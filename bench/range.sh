#!/usr/bin/env bash
# Range ping benchmark: a burst sweep of 127.0.0.0/20 and 127.0.0.0/16 with
# tarvo-cli beside fping over the same addresses, run in turns so that both
# meet the same machine load. Prints medians of wall time, CPU time (user +
# system) and peak memory, and the ratios. Loopback only.
#
#   bench/range.sh [path/to/tarvo-cli]     (default: build/src/cli/tarvo-cli)
#   RUNS=5          runs of each command (fping -i 1 on the /16: SLOW_RUNS=3,
#                   it takes over a minute a run)
#
# Goals on a 2-core machine: the /16 at or below the wall time of
# fping -i 0 and at most 1.5x its CPU time, peak memory about 20 MB; 65,534
# reached, 1 network and 1 broadcast address, also with only 256 file
# descriptors.
set -u
cd "$(dirname "$0")/.."
CLI=${1:-${TARVO_CLI:-build/src/cli/tarvo-cli}}
RUNS=${RUNS:-5}
SLOW_RUNS=${SLOW_RUNS:-3}
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

# once NAME COMMAND...: runs COMMAND, appends "wall cpu kib" to $TMP/NAME.
once() {
  local name=$1
  shift
  /usr/bin/time -o "$TMP/time" -f "%e %U %S %M %x" "$@" > "$TMP/out" 2> "$TMP/err"
  read -r wall user sys kib rc < <(tail -n 1 "$TMP/time")
  [ "$rc" = 0 ] || echo "    ($name exited $rc: $(head -c 200 "$TMP/err" | tr '\n' ' '))"
  awk -v w="$wall" -v u="$user" -v s="$sys" -v k="$kib" 'BEGIN { print w, u + s, k }' >> "$TMP/$name"
}

# median NAME COLUMN: the median of one column of $TMP/NAME.
median() {
  awk -v c="$2" '{ print $c }' "$TMP/$1" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

row() {
  awk -v l="$1" -v w="$(median "$2" 1)" -v c="$(median "$2" 2)" -v k="$(median "$2" 3)" \
    -v n="$(wc -l < "$TMP/$2")" \
    'BEGIN { printf "  %-36s wall %7.2f s   cpu %6.2f s   peak %6.1f MB   (%d runs)\n", l, w, c, k / 1024, n }'
}

ratio() {
  awk -v l="$1" -v a="$(median "$2" 1)" -v b="$(median "$3" 1)" \
    -v ca="$(median "$2" 2)" -v cb="$(median "$3" 2)" \
    'BEGIN { printf "  %-36s wall %6.2fx       cpu %6.2fx\n", l, a / b, ca / cb }'
}

# figure LABEL: a number from the statistics block of the last output.
figure() { grep -F "$1" "$TMP/out" | tail -n 1 | sed 's/.*[^0-9]\([0-9][0-9]*\)$/\1/'; }

sweep() {
  local bits=$1 last=$2 slow=$3 net=127.0.0.0/$1
  rm -f "$TMP/tarvo" "$TMP/fping0" "$TMP/fping1"
  for ((i = 0; i < RUNS; i++)); do
    once tarvo "$CLI" range --burst --netmask-bits "$bits" -n 1 127.0.0.0 "$last"
    once fping0 fping -i 0 -r 0 -q -g "$net"
  done
  for ((i = 0; i < slow; i++)); do once fping1 fping -i 1 -r 0 -q -g "$net"; done
  echo "== $net, medians"
  row "tarvo-cli range --burst -n 1" tarvo
  row "fping -i 0 -r 0 -q -g $net" fping0
  row "fping -i 1 -r 0 -q -g $net" fping1
  ratio "tarvo-cli / fping -i 0" tarvo fping0
  ratio "tarvo-cli / fping -i 1" tarvo fping1
  # The same sweep with few descriptors must still reach every host.
  once limited bash -c 'ulimit -n 256 && exec "$@"' _ "$CLI" range --burst \
    --netmask-bits "$bits" -n 1 127.0.0.0 "$last"
  echo "  with ulimit -n 256: reached $(figure "Number of reached addresses:")," \
    "not reached $(figure "Number of not reached addresses:")," \
    "network $(figure "Network addresses:"), broadcast $(figure "Broadcast addresses:")," \
    "set-up failures $(grep -c 'Could not load' "$TMP/out")"
}

echo "range ping benchmark, $(nproc) cores, $(uname -r), $(date -u '+%Y-%m-%d %H:%M UTC')," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"
sweep 20 127.0.15.255 "$RUNS"
sweep 16 127.0.255.255 "$SLOW_RUNS"
