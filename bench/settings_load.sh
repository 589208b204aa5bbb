#!/usr/bin/env bash
# Settings file load benchmark: wall time and peak memory of
# `tarvo-cli settings` (load and print, no write) and `settings --save`
# (load, merge under the lock, write back) for a history of 100,000 hosts
# (about 4 MB) and for a file of about 100 MB; and the same for 20,000 and
# 100,000 stored programs under OtherCommands.
#
#   bench/settings_load.sh [path/to/tarvo-cli]   (default: build/src/cli/tarvo-cli)
#   TARVO_BENCH_HOSTS="20000" bench/settings_load.sh   (only those history sizes)
#
# Target: time grows in proportion to the file's size; 100,000 entries load
# well under a second on a 2-core machine.
set -u
cd "$(dirname "$0")/.."
CLI=${1:-${TARVO_CLI:-build/src/cli/tarvo-cli}}
[ -x "$CLI" ] || { echo "bench/settings_load.sh: no tarvo-cli at $CLI (build first)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "bench/settings_load.sh: /usr/bin/time missing (apt-get install time)" >&2; exit 2; }
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json

# history N: a settings file whose PingHosts key holds N hosts.
history() {
  awk -v n="$1" 'BEGIN {
    printf "{\"SOFTWARE\": {\"Dravenco\": {\"Tarvo\": {\"Settings\": {\"P_Countp\": \"4\", \"PingHosts\": {"
    for (i = 0; i < n; i++) printf "%s\n\"P_DestHost_%03d\": \"host-%d.example.net\"", (i ? "," : ""), i, i
    printf "}}}}}}\n"
  }'
}

# programs N: a settings file whose OtherCommands key holds N programs.
programs() {
  awk -v n="$1" 'BEGIN {
    printf "{\"SOFTWARE\": {\"Dravenco\": {\"Tarvo\": {\"OtherCommands\": {"
    for (i = 1; i <= n; i++) printf "%s\n\"C%07d\": {\"CommandLine\": \"/usr/bin/tool%d\", \"CommandName\": \"Tool %d\", \"PreIPArguments\": \"-x\", \"PostIPArguments\": \" \"}", (i > 1 ? "," : ""), i, i, i
    printf "}}}}}\n"
  }'
}

measure() {
  local label=$1
  shift
  /usr/bin/time -o "$TMP/time" -f "%e %M" "$@" > /dev/null 2> "$TMP/err" || {
    echo "$label: failed"; cat "$TMP/err"; return; }
  read -r wall kb < "$TMP/time"
  printf '%-34s %7s s %8d MB\n' "$label" "$wall" $((kb / 1024))
}

for n in ${TARVO_BENCH_HOSTS:-20000 100000 2500000}; do
  history "$n" > "$TARVO_REGISTRY"
  size=$(( $(stat -c %s "$TARVO_REGISTRY") / 1000000 ))
  measure "load $n hosts (${size} MB)" "$CLI" settings
  measure "load+save $n hosts (${size} MB)" "$CLI" settings --save
done

for n in 20000 100000; do
  programs "$n" > "$TARVO_REGISTRY"
  size=$(( $(stat -c %s "$TARVO_REGISTRY") / 1000000 ))
  measure "load $n programs (${size} MB)" "$CLI" settings
  measure "load+save $n programs (${size} MB)" "$CLI" settings --save
done
