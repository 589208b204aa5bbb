#!/usr/bin/env bash
# tarvo-cli watch --json against loopback: every line is one JSON record
# whose fields agree with the status and change lines on standard error,
# and a host that stops answering (loopback taken down in a network of its
# own) gives one "down" and one "up" record where the thresholds say.
. "$(dirname "$0")/lib.sh"
require_echo
command -v python3 > /dev/null || skip "needs python3"
use_temp

# check_json OUT ERR HOSTS DOWN UP: the records of OUT against the lines of
# ERR, for HOSTS hosts watched with the thresholds DOWN and UP.
check_json() {
  python3 - "$@" << 'PY' || fail "$1: records do not agree with $2"
import json, re, sys
out, err, hosts, down, up = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
iso = re.compile(r"^\d{4}-\d\d-\d\dT(\d\d:\d\d:\d\d)\.\d{3}[+-]\d\d:\d\d$")
errs = open(err, encoding="utf-8").read().splitlines()
assert f"  Monitored addresses: {hosts}" in errs, errs
changes = [l for l in errs if re.match(r"^\d\d:\d\d:\d\d ", l)]
records = [json.loads(l) for l in open(out, encoding="utf-8")]
assert records, "no records"
run = {}      # host -> (replied, consecutive results so far)
told = []     # the change lines the state records stand for
pending = {}  # host -> state record not yet followed by its result
for r in records:
    h, addr = r["host"], r["address"]
    assert 1 <= h <= hosts and addr == f"127.0.0.{h}", r
    assert iso.match(r["time"]), r
    if r["type"] == "state":
        assert set(r) == {"type", "host", "address", "state", "time"}, r
        assert r["state"] in ("down", "up"), r
        text = "is down" if r["state"] == "down" else "is up again"
        told.append(f"{iso.match(r['time']).group(1)} {addr} {text}")
        pending[h] = r["state"]
        continue
    assert r["type"] == "result" and list(r) == ["type", "host", "caption", "address", "rtt", "state", "time"], r
    assert r["caption"] == addr, r
    replied = r["rtt"] is not None
    # Milliseconds to the microsecond: 0.043, 12, never finer.
    rtt = r["rtt"]
    assert not replied or (type(rtt) in (int, float) and rtt >= 0 and round(rtt * 1000) == round(rtt * 1000, 6)), r
    last, n = run.get(h, (replied, 0))
    n = n + 1 if last == replied else 1
    run[h] = (replied, n)
    # The result that changes the state follows its state record and makes
    # exactly the threshold's count in a row.
    if h in pending:
        assert r["state"] == pending.pop(h) and n == (up if replied else down), (r, n)
    elif replied:
        assert r["state"] in ("up", "unknown") or n < up, r
    else:
        assert n < down or r["state"] == "down", r
assert told == changes, (told, changes)
assert len(run) == hosts, run
PY
}

# Two hosts on loopback for two seconds: results only, every host up.
"$CLI" watch --json --resolve no -d 200 127.0.0.1 127.0.0.2 > "$TMP/out" 2> "$TMP/err" &
pid=$!
sleep 2
kill -INT $pid
wait $pid
expect_status $? 0 "watch --json stopped by Ctrl+C"
check_json "$TMP/out" "$TMP/err" 2 3 1
grep -q '"type":"state"' "$TMP/out" && fail "a host that always answers was reported"
grep -q '"state":"up"' "$TMP/out" || fail "no host counted up"

# One host that stops answering and answers again, down after two time-outs
# and up after two replies.
if unshare -n true 2> /dev/null; then
  unshare -n bash -c '
    ip link set lo up
    "$0" watch --json --resolve no --down-after 2 --up-after 2 -w 200 -d 100 127.0.0.1 \
      > "$1/out2" 2> "$1/err2" &
    pid=$!
    for _ in $(seq 100); do grep -q "\"rtt\":[0-9]" "$1/out2" && break; sleep 0.1; done
    ip link set lo down
    for _ in $(seq 100); do grep -q "is down" "$1/err2" && break; sleep 0.1; done
    ip link set lo up
    for _ in $(seq 100); do grep -q "is up again" "$1/err2" && break; sleep 0.1; done
    kill -INT $pid
    wait $pid' "$CLI" "$TMP"
  check_json "$TMP/out2" "$TMP/err2" 1 2 2
  [ "$(grep -c '"type":"state"' "$TMP/out2")" -eq 2 ] || fail "expected one down and one up record"
  grep -qE '^[0-9:]{8} 127\.0\.0\.1 is down$' "$TMP/err2" || fail "no down line"
fi
finish
