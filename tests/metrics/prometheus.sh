# shellcheck shell=bash
# Sourced: start_prometheus DIR TARGET_PORT LISTEN_PORT starts a Prometheus
# server of its own (configuration and storage in DIR, log in
# DIR/prometheus.log) that scrapes 127.0.0.1:TARGET_PORT every second, and
# appends its process to the caller's `pids`.
start_prometheus() {
  local dir=$1 target=$2 listen=$3
  cat > "$dir/prometheus.yml" << YML
global: { scrape_interval: 1s, scrape_timeout: 1s }
scrape_configs:
  - job_name: tarvo
    static_configs: [ { targets: [ "127.0.0.1:$target" ] } ]
YML
  prometheus --config.file="$dir/prometheus.yml" --storage.tsdb.path="$dir/tsdb" \
    --web.listen-address="127.0.0.1:$listen" > "$dir/prometheus.log" 2>&1 &
  pids+=("$!")
}
