#!/usr/bin/env bash
# tarvo-cli watch --metrics inside the test network's prober: the endpoint's
# text passes promtool, a real Prometheus server scrapes it and finds the
# answering host up and the silent one down, other paths and methods are
# refused, an oversize request or 300 idle connections do not keep a scrape
# out, and SIGHUP with a changed list file shows the change. Every wait is
# bounded: the whole test ends within a minute.
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/prometheus.sh"
for tool in curl jq promtool prometheus python3; do
  command -v $tool > /dev/null || skip "$tool is not installed"
done
require_echo
use_temp
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null; done
  wait 2> /dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT
UP=198.18.10.10 SILENT=198.18.10.20 ADDED=198.18.31.7
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
PORT=$(free_port)
URL=http://127.0.0.1:$PORT/metrics

# until_true SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds.
until_true() {
  local tries=$(($1 * 5))
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
scrape() { curl -sf --max-time 5 -o "$TMP/metrics" "$URL"; }
has() { scrape && grep -qF -- "$1" "$TMP/metrics"; }
lacks() { scrape && ! grep -qF -- "$1" "$TMP/metrics"; }
value() { sed -n "s/^$1{host=\"$2\",.*} //p" "$TMP/metrics"; }

printf '%s\n' $UP $SILENT > "$TMP/list"
"$CLI" watch --resolve no -d 200 -w 200 --file "$TMP/list" --metrics "127.0.0.1:$PORT" \
  > "$TMP/out" 2> "$TMP/err" &
pid=$!
pids+=("$pid")
until_true 10 has "tarvo_up{host=\"$SILENT\"" || fail "no state for the silent host: $(cat "$TMP/err")"
[ "$(value tarvo_up $UP)$(value tarvo_up $SILENT)" == 10 ] || fail "up/down: $(grep ^tarvo_up "$TMP/metrics")"
out=$(promtool check metrics < "$TMP/metrics" 2>&1) || fail "promtool: $out"
[ -z "$out" ] || fail "promtool says: $out"

# code ARGS...: the status code of a request (000: no answer).
code() { curl -s --max-time 5 -o "$TMP/body" -D "$TMP/head" -w '%{http_code}' "$@"; }
[ "$(code "$URL")" == 200 ] && grep -qi '^content-type: text/plain; version=0.0.4; charset=utf-8' "$TMP/head" ||
  fail "plain scrape: $(cat "$TMP/head")"
[ "$(code -H 'Accept: application/openmetrics-text; version=1.0.0' "$URL")" == 200 ] &&
  grep -qi '^content-type: application/openmetrics-text; version=1.0.0' "$TMP/head" &&
  [ "$(tail -n 1 "$TMP/body")" == "# EOF" ] || fail "OpenMetrics scrape: $(cat "$TMP/head")"
[ "$(code -I "$URL")" == 200 ] || fail "HEAD is not answered"
[ "$(code "http://127.0.0.1:$PORT/")" == 404 ] || fail "/ is not 404"
for method in POST PUT; do
  [ "$(code -X $method -d x "$URL")" == 405 ] && grep -qi '^allow: GET, HEAD' "$TMP/head" ||
    fail "$method: $(cat "$TMP/head")"
done
big=$(head -c 100000 /dev/zero | tr '\0' a)
status=$(code -H "X-Big: $big" "$URL")
[[ $status == 431 || $status == 000 ]] || fail "an oversize request got $status"

# 300 connections that send nothing, held while a scrape goes on.
python3 -c '
import socket, sys, time
held = [socket.create_connection(("127.0.0.1", int(sys.argv[1]))) for _ in range(300)]
print(len(held), flush=True)
time.sleep(20)' "$PORT" > "$TMP/held" &
pids+=("$!")
until_true 5 grep -qx 300 "$TMP/held" || fail "the idle connections were not opened"
[ "$(code "$URL")" == 200 ] || fail "no scrape beside 300 idle connections"
kill "${pids[-1]}"

# A real server scrapes the endpoint (it asks for OpenMetrics) every second.
PROM_PORT=$(free_port)
API=http://127.0.0.1:$PROM_PORT/api/v1
start_prometheus "$TMP" "$PORT" "$PROM_PORT"
states() {
  curl -sf --max-time 5 "$API/query?query=tarvo_up" > "$TMP/up.json" &&
    [ "$(jq -r '[.data.result[] | "\(.metric.host)=\(.value[1])"] | sort | join(" ")' "$TMP/up.json")" == \
      "$UP=1 $SILENT=0" ]
}
until_true 20 states || fail "Prometheus: tarvo_up is $(cat "$TMP/up.json") ($(tail -n 3 "$TMP/prometheus.log"))"
curl -sf --max-time 5 "$API/targets" | jq -e '.data.activeTargets[0] | .health == "up" and .lastError == ""' \
  > /dev/null || fail "Prometheus's scrape: $(curl -s --max-time 5 "$API/targets")"
echo "tarvo_up from Prometheus: $(cat "$TMP/up.json")"
# Every query of the dashboard finds data, with Grafana's variables filled in.
DASHBOARD=$(dirname "$0")/../../dist/grafana-dashboard.json
jq -r '.panels[].targets[].expr' "$DASHBOARD" |
  sed 's/\$host/.*/g; s/\$__rate_interval/4s/g; s/\$__range/1m/g' > "$TMP/queries"
answers() {
  while read -r query; do
    curl -sfG --max-time 5 "$API/query" --data-urlencode "query=$query" | jq -e '.data.result | length > 0' \
      > /dev/null || return 1
  done < "$TMP/queries"
}
until_true 10 answers || fail "a dashboard query finds nothing: $(cat "$TMP/queries")"

# SIGHUP: one host added, one removed; the host that stays keeps counting.
scrape
before=$(value tarvo_requests_total $UP)
printf '%s\n' $UP $ADDED > "$TMP/list"
kill -HUP $pid
until_true 5 lacks "host=\"$SILENT\"" || fail "the removed host stays"
until_true 5 has "tarvo_up{host=\"$ADDED\",address=\"$ADDED\",caption=\"$ADDED\"} 1" ||
  fail "the added host is not up: $(grep ^tarvo_up "$TMP/metrics")"
[ "$(value tarvo_requests_total $UP)" -gt "$before" ] || fail "the host that stayed started over"
# A list that cannot be read leaves the hosts as they are.
mv "$TMP/list" "$TMP/list.gone"
kill -HUP $pid
until_true 5 grep -q "cannot read .*; the hosts watched stay as they were" "$TMP/err" ||
  fail "an unreadable list was not said: $(cat "$TMP/err")"
has "host=\"$ADDED\"" || fail "an unreadable list changed the hosts"

kill -TERM $pid
wait $pid
expect_status $? 143 "watch stopped by SIGTERM"
finish
