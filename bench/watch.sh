#!/usr/bin/env bash
# Watch monitor benchmark: N loopback hosts (127.0.x.y) watched by tarvo-cli
# watch with every reply logged, for a fixed time at two delays. For each
# run: CPU use of the process (user + system from /proc, over the measured
# window after every worker has started), peak memory, results per second
# against the expected N x 1000 / delay, and the longest gap between two
# logged results of one host.
#
#   bench/watch.sh [path/to/tarvo-cli]   (default: build/src/cli/tarvo-cli)
#   BENCH_SECONDS=20 BENCH_HOSTS="64 256 1024" BENCH_DELAYS="100 1000"
#   BENCH_COMPARE="256:100 1024:1000 16000:1000"  (hosts:delay side by side
#   with fping's loop mode, results counted from each one's output, no log
#   files and no history; fping is left out above 10,000 hosts, where its
#   loop mode gives up)
#   BENCH_LOGGED=0 skips the logged runs above
#   BENCH_RUNS=3 runs of each side-by-side command, in turns; the median
#   (by CPU) is printed with the range of the runs
#
# Targets on a 2-core machine: 256 hosts at 100 ms at most 1.5x the CPU of
# fping's loop mode keeping the same period, with at least 97 % of the
# results; 16,000 hosts at 1000 ms under a fifth of one core and 64 MB with
# at least 99 % of the results; no gap above delay + 50 ms on a quiet machine.
set -u
cd "$(dirname "$0")/.."
# As root, run in a network namespace of its own: a loopback nobody else
# uses, whose caches earlier runs have not filled (in a long-lived namespace
# sixteen thousand destinations cost each packet more, whoever sends it).
if [ "$(id -u)" = 0 ] && [ -z "${TARVO_BENCH_NETNS:-}" ] && command -v unshare > /dev/null; then
  exec env TARVO_BENCH_NETNS=1 unshare -n bash -c 'ip link set lo up && exec "$@"' _ "$0" "$@"
fi
CLI=${1:-${TARVO_CLI:-build/src/cli/tarvo-cli}}
SECONDS_PER_RUN=${BENCH_SECONDS:-20}
RUNS=${BENCH_RUNS:-3}
HOSTS=${BENCH_HOSTS:-64 256 1024}
DELAYS=${BENCH_DELAYS:-100 1000}
[ -x "$CLI" ] || { echo "bench/watch.sh: no tarvo-cli at $CLI (build first)" >&2; exit 2; }
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json  # built-in defaults, whatever the user saved
export TARVO_HISTORY=$TMP/history.sqlite  # recorded as a user runs it, not into their history
TICKS=$(getconf CLK_TCK)

if ! "$CLI" ping -n 1 -w 300 127.0.0.1 >/dev/null 2>&1; then
  echo "bench/watch.sh: no echo socket here (run as root or allow ping sockets)" >&2
  exit 77
fi

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Loopback's packets are handled in the sender's time, unless the kernel
# hands them to its softirq threads: their time is shown beside the
# process's, as it belongs to whichever tool ran.
softirq_ticks() {
  local total=0 pid
  for pid in $(pgrep ksoftirqd); do total=$((total + $(cpu_ticks "$pid"))); done
  echo "$total"
}
log_lines() { cat "$1"/*.log 2>/dev/null | wc -l; }
now_ms() { date +%s%3N; }

# Longest gap (ms) between consecutive lines of one log file, over lines
# logged at or after the hh:nn:ss.ms time $2 (same day).
longest_gap() {
  local from=$1
  shift
  awk -F', ' -v from="$from" '
    function ms(t,   a, b) { split(t, a, ":"); split(a[3], b, ".");
      return ((a[1] * 60 + a[2]) * 60 + b[1]) * 1000 + b[2] }
    FNR == 1 { prev = -1 }
    { t = ms($3); if (t < from) next;
      if (prev >= 0 && t - prev > worst) { worst = t - prev; host = $1 }
      prev = t }
    END { printf "%d %s\n", worst, host }' "$@"
}

run() {
  local n=$1 delay=$2 dir=$TMP/logs_${1}_$2
  local hosts=()
  for i in $(seq 1 "$n"); do hosts+=("127.0.$((i / 250)).$((i % 250 + 1))"); done
  rm -f "$TMP/out" "$TMP/err"
  "$CLI" watch --resolve no -w 1000 -d "$delay" --log-replies --log-dir "$dir" "${hosts[@]}" \
    > "$TMP/out" 2> "$TMP/err" &
  local pid=$!
  for _ in $(seq 1 600); do
    grep -qs "Monitored addresses" "$TMP/err" && break
    sleep 0.1
  done
  sleep 1  # every worker past its first request
  local t0 c0 l0 from
  from=$(date +%H:%M:%S.%3N | awk -F'[:.]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }')
  t0=$(now_ms)
  c0=$(cpu_ticks $pid)
  l0=$(log_lines "$dir")
  sleep "$SECONDS_PER_RUN"
  local t1 c1 l1 peak
  c1=$(cpu_ticks $pid)
  t1=$(now_ms)
  l1=$(log_lines "$dir")
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  kill -INT $pid
  wait $pid
  local rc=$?
  local gap
  gap=$(longest_gap "$from" "$dir"/*.log)
  awk -v n="$n" -v d="$delay" -v c=$((c1 - c0)) -v hz="$TICKS" -v ms=$((t1 - t0)) \
    -v l=$((l1 - l0)) -v kib="$peak" -v gap="$gap" -v rc="$rc" 'BEGIN {
      split(gap, g, " ");
      printf "  %5d hosts  -d %5d   cpu %5.1f %% of a core   peak %6.1f MB   results/s %8.1f of %8.1f   longest gap %5d ms (%s)   exit %d\n",
        n, d, 100 * c / hz / (ms / 1000), kib / 1024, l / (ms / 1000), n * 1000 / d, g[1], g[2], rc }'
}

# measure LABEL N DELAY COMMAND...: runs COMMAND (stdout counted as results)
# for the measured window and prints its CPU, memory and result share.
# A READY pattern, when not empty, is waited for on standard error first.
measure() {
  local label=$1 n=$2 delay=$3 ready=$4
  shift 4
  # What an earlier run left must not pass for this one's ready line.
  rm -f "$TMP/cmp.out" "$TMP/cmp.err"
  "$@" > "$TMP/cmp.out" 2> "$TMP/cmp.err" &
  local pid=$!
  for _ in $(seq 1 1200); do
    if [ -n "$ready" ]; then grep -qs "$ready" "$TMP/cmp.err" && break; else [ -s "$TMP/cmp.out" ] && break; fi
    sleep 0.1
  done
  sleep 2  # every host past its first request
  local t0 c0 l0 t1 c1 l1 peak s0 s1
  t0=$(now_ms)
  c0=$(cpu_ticks $pid)
  s0=$(softirq_ticks)
  l0=$(wc -l < "$TMP/cmp.out")
  sleep "$SECONDS_PER_RUN"
  c1=$(cpu_ticks $pid)
  s1=$(softirq_ticks)
  t1=$(now_ms)
  l1=$(wc -l < "$TMP/cmp.out")
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  kill -INT $pid
  wait $pid 2> /dev/null
  awk -v label="$label" -v n="$n" -v d="$delay" -v c=$((c1 - c0)) -v hz="$TICKS" \
    -v ms=$((t1 - t0)) -v l=$((l1 - l0)) -v kib="$peak" -v sq=$((s1 - s0)) 'BEGIN {
      printf "  %-12s %5d hosts  -d %5d   cpu %5.1f %% of a core (+ softirq threads %4.1f %%)   peak %6.1f MB   results %5.1f %%\n",
        label, n, d, 100 * c / hz / (ms / 1000), 100 * sq / hz / (ms / 1000), kib / 1024,
        100 * l / (ms / 1000) / (n * 1000 / d) }'
}

# Reads lines of measure and prints the one with the median CPU, with the
# range the runs spanned: a shared machine moves single runs by a few points.
median_of() {
  awk '{ for (i = 1; i < NF; i++) if ($i == "cpu") c = $(i + 1); line[NR] = $0; cpu[NR] = c + 0 }
    END {
      for (i = 1; i <= NR; i++) order[i] = i
      for (i = 2; i <= NR; i++) {
        k = order[i]; j = i - 1
        while (j > 0 && cpu[order[j]] > cpu[k]) { order[j + 1] = order[j]; j-- }
        order[j + 1] = k
      }
      printf "%s   median of %d (cpu %.1f to %.1f)\n", line[order[int((NR + 1) / 2)]], NR,
        cpu[order[1]], cpu[order[NR]] }'
}

compare() {
  local n=${1%%:*} delay=${1##*:}
  local hosts=() ours=() paced=() unpaced=()
  for i in $(seq 1 "$n"); do hosts+=("127.0.$((i / 250)).$((i % 250 + 1))"); done
  # In turns, so that a change in the machine's load meets every tool.
  for _ in $(seq 1 "$RUNS"); do
    ours+=("$(measure tarvo-cli "$n" "$delay" "Monitored addresses" "$CLI" watch --no-history \
      --resolve no -w 1000 -d "$delay" "${hosts[@]}")")
    if command -v fping > /dev/null && [ "$n" -le 10000 ]; then
      # By default fping spaces any two requests 10 ms apart, which caps it
      # at 100 results a second; -i 0 lets it keep every host's period.
      paced+=("$(measure "fping" "$n" "$delay" "" fping -l -p "$delay" -t 1000 "${hosts[@]}")")
      unpaced+=("$(measure "fping -i 0" "$n" "$delay" "" fping -l -i 0 -p "$delay" -t 1000 \
        "${hosts[@]}")")
    fi
  done
  printf '%s\n' "${ours[@]}" | median_of
  [ ${#paced[@]} -eq 0 ] || printf '%s\n' "${paced[@]}" | median_of
  [ ${#unpaced[@]} -eq 0 ] || printf '%s\n' "${unpaced[@]}" | median_of
}

echo "watch monitor benchmark, $(nproc) cores, ${SECONDS_PER_RUN} s per run, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${BENCH_LOGGED:-1}" != 0 ]; then
  for delay in $DELAYS; do
    for n in $HOSTS; do run "$n" "$delay"; done
  done
fi
for pair in ${BENCH_COMPARE:-256:100 1024:1000 16000:1000}; do compare "$pair"; done
