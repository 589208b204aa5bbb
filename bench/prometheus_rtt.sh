#!/usr/bin/env bash
# The metrics as Prometheus stores them: tarvo-cli watch --metrics on three
# hosts of the test network (and its silent host) for SECONDS (120), scraped
# every second by a Prometheus server of our own; then the median and 95th
# percentile round trip per host, from a range query over
# histogram_quantile(rate(tarvo_rtt_seconds_bucket[10s])), drawn into OUTPUT
# (docs/prometheus-rtt.png). Prints Prometheus' answer for tarvo_up.
# As root, with the test network up; everything listens on the prober's
# loopback.
#   bench/prometheus_rtt.sh [BUILD_DIR] [SECONDS] [OUTPUT]
set -eu
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-120}
output=$(realpath -m "${3:-docs/prometheus-rtt.png}")
if [ "$(ip netns identify $$ 2> /dev/null)" != tvp ]; then
  exec scripts/in-testnet.sh bash "$0" "$build" "$seconds" "$output"
fi
. tests/metrics/prometheus.sh  # the working folder is the repository's here
TMP=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2> /dev/null; wait; rm -rf "$TMP"' EXIT
export TARVO_REGISTRY=$TMP/registry.json TARVO_HISTORY=$TMP/history.sqlite
port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
METRICS=$(port)
PROM=$(port)

"$build/src/cli/tarvo-cli" watch --resolve no -d 100 -w 500 --metrics "127.0.0.1:$METRICS" \
  198.18.10.10 198.18.11.10 198.18.31.7 198.18.10.20 > /dev/null 2> "$TMP/watch.log" &
pids+=("$!")
start_prometheus "$TMP" "$METRICS" "$PROM"
start=$(date +%s)
sleep "$seconds"
end=$(date +%s)
API=http://127.0.0.1:$PROM/api/v1
quantile() {
  echo "label_replace(histogram_quantile($1, rate(tarvo_rtt_seconds_bucket[10s])), \"quantile\", \"$2\", \"\", \"\")"
}
curl -sfG "$API/query_range" --data-urlencode "query=$(quantile 0.5 50) or $(quantile 0.95 95)" \
  --data-urlencode "start=$start" --data-urlencode "end=$end" --data-urlencode step=1 > "$TMP/rtt.json"
QT_QPA_PLATFORM=offscreen "$build/bench/tarvo_rtt_plot" "$TMP/rtt.json" "$output" \
  "tarvo_rtt_seconds in Prometheus: median (solid) and 95th percentile (dashed) over 10 s"
echo "$output"
curl -sfG "$API/query" --data-urlencode "query=tarvo_up"
echo
