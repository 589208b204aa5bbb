#!/usr/bin/env bash
# Watch history benchmark.
#  1. What recording costs: 1,024 loopback hosts (127.0.x.y) watched every
#     100 ms by tarvo-cli watch, once with the history and once without,
#     each for BENCH_SECONDS; CPU of the process in % of one core, and the
#     results per second the history file got.
#     The writer's share alone: history_bench writes a minute of such
#     results in the writer's batches and gives its CPU time per result.
#  2. Reading a large file: history_bench fills one host every second for a
#     day and 1,024 hosts every second for an hour, then times the reads the
#     front ends make; the console summary of the day's host is timed as a
#     user runs it (median of seven).
#
#   bench/history.sh [build folder]   (default: build)
#   BENCH_SECONDS=20 BENCH_HOSTS=1024 BENCH_DELAY=100 BENCH_REPEAT=3
#
# Targets: recording costs at most 5 points of one core; the summary under
# 100 ms; the 24 h and 7 day graphs under 200 ms.
set -u
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CLI=$BUILD/src/cli/tarvo-cli
FILL=$BUILD/src/history/history_bench
SECONDS_PER_RUN=${BENCH_SECONDS:-20}
N=${BENCH_HOSTS:-1024}
DELAY=${BENCH_DELAY:-100}
REPEAT=${BENCH_REPEAT:-3}
for tool in "$CLI" "$FILL"; do
  [ -x "$tool" ] || { echo "bench/history.sh: no $tool (build first)" >&2; exit 2; }
done
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json  # built-in defaults, whatever the user saved
TICKS=$(getconf CLK_TCK)

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
now_ms() { date +%s%3N; }

record() {
  local mode=$1 file=$TMP/watch.sqlite hosts=()
  rm -f "$file"*
  for i in $(seq 1 "$N"); do hosts+=("127.0.$((i / 250)).$((i % 250 + 1))"); done
  local extra=()
  [ "$mode" = off ] && extra=(--no-history)
  TARVO_HISTORY=$file "$CLI" watch --resolve no -w 1000 -d "$DELAY" "${extra[@]}" "${hosts[@]}" \
    > "$TMP/out" 2> "$TMP/err" &
  local pid=$!
  for _ in $(seq 1 600); do
    grep -q "Monitored addresses" "$TMP/err" && break
    sleep 0.1
  done
  sleep 2
  local t0 c0 t1 c1
  t0=$(now_ms)
  c0=$(cpu_ticks $pid)
  sleep "$SECONDS_PER_RUN"
  c1=$(cpu_ticks $pid)
  t1=$(now_ms)
  kill -INT $pid
  wait $pid
  local rows=0
  [ "$mode" = on ] && rows=$(sqlite3 "$file" 'SELECT count(*) FROM result' 2>/dev/null || echo 0)
  awk -v m="$mode" -v n="$N" -v d="$DELAY" -v c=$((c1 - c0)) -v hz="$TICKS" -v ms=$((t1 - t0)) \
    -v rows="$rows" 'BEGIN {
      cpu = 100 * c / hz / (ms / 1000)
      printf "history %-3s %d hosts every %d ms: %5.1f %% of a core", m, n, d, cpu
      if (m == "on") printf ", %d results in the file", rows
      printf "\n"
      print cpu > "/dev/stderr"
    }' 2>> "$TMP/cpu"
}

echo "== what recording costs"
# Off and on in turn, so a change in the machine's load touches both alike;
# the medians are compared.
for _ in $(seq 1 "$REPEAT"); do
  record off
  record on
done
awk 'NR % 2 == 1 { off[++n] = $1 } NR % 2 == 0 { on[n] = $1 }
     function median(a, k,   i, j, t) {
       for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
       return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2 }
     END { o = median(off, n); m = median(on, n)
           printf "medians of %d: off %.1f %%, on %.1f %%: history costs %.1f points of one core (target at most 5)\n", n, o, m, m - o }' \
  "$TMP/cpu"

echo "== the writer alone"
"$FILL" write "$TMP/write.sqlite"

echo "== reading a large history"
"$FILL" fill "$TMP/big.sqlite"
"$FILL" read "$TMP/big.sqlite"
times=()
for _ in 1 2 3 4 5 6 7; do
  t0=$(now_ms)
  TARVO_HISTORY=$TMP/big.sqlite "$CLI" history --since 24h daily.example > "$TMP/summary"
  times+=($(($(now_ms) - t0)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 4p)
echo "tarvo-cli history --since 24h daily.example: $median ms (median of 7, whole process)"
cat "$TMP/summary"
