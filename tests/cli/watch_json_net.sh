#!/usr/bin/env bash
# tarvo-cli watch --json against a loopback that stops answering and answers
# again (taken down in a network of its own): a result record per request,
# and one "down" and one "up" record where the thresholds say, each the
# change line on standard error.
. "$(dirname "$0")/lib.sh"
require_echo
command -v python3 > /dev/null || skip "needs python3"
unshare -n true 2> /dev/null || skip "needs unshare -n"
use_temp

# Down after two time-outs, up after two replies.
unshare -n bash -c '
  ip link set lo up
  "$0" watch --json --resolve no --down-after 2 --up-after 2 -w 200 -d 100 127.0.0.1 \
    > "$1/out" 2> "$1/err" &
  pid=$!
  for _ in $(seq 100); do grep -q "\"rtt\":[0-9]" "$1/out" && break; sleep 0.1; done
  ip link set lo down
  for _ in $(seq 100); do grep -q "is down" "$1/err" && break; sleep 0.1; done
  ip link set lo up
  for _ in $(seq 100); do grep -q "is up again" "$1/err" && break; sleep 0.1; done
  kill -INT $pid
  wait $pid' "$CLI" "$TMP"
expect_status $? 0 "watch --json stopped by Ctrl+C"

python3 - "$TMP/out" "$TMP/err" << 'PY' || fail "records: $(cat "$TMP/out") against: $(cat "$TMP/err")"
import json, re, sys
records = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
changes = [l for l in open(sys.argv[2], encoding="utf-8").read().splitlines() if re.match(r"^\d\d:\d\d:\d\d ", l)]
told, last, run, pending = [], None, 0, None
for r in records:
    assert r["host"] == 1 and r["address"] == "127.0.0.1", r
    if r["type"] == "state":
        assert set(r) == {"type", "host", "address", "state", "time"}, r
        told.append(r["time"][11:19] + " 127.0.0.1 " + {"down": "is down", "up": "is up again"}[r["state"]])
        pending = r["state"]
        continue
    assert list(r) == ["type", "host", "caption", "address", "rtt", "state", "time"], r
    run = run + 1 if (r["rtt"] is not None) == last else 1
    last = r["rtt"] is not None
    # The result that changes the state follows its state record, the
    # threshold's second in a row.
    if pending:
        assert r["state"] == pending and run == 2, (r, run)
        pending = None
assert told == changes and [t.split(" ", 2)[2] for t in told] == ["is down", "is up again"], (told, changes)
PY
finish
