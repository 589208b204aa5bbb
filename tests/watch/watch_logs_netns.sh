#!/usr/bin/env bash
# tarvo-cli watch log files under hard use, as root: a disk that fills and
# frees during the run, more hosts than descriptors, and a file planted by
# another user in a shared folder.
. "$(dirname "$0")/../cli/lib.sh"
[ "$(id -u)" -eq 0 ] || skip "needs root (tmpfs mounts, another user's files)"
unshare -m true 2>/dev/null || skip "cannot make a mount namespace"
require_echo
use_temp
chmod 711 "$TMP" # another user reaches the shared folder below
LINE_RE='^127\.0\.[0-9]+\.[0-9]+, [^,]+, [0-9:.]+, RTT = [0-9]+, TTL = 64, Bytes = 32, Sent = [0-9]+, Recv = [0-9]+, Lost = 0, Loss = 0%, Success$'

# stop SIGNAL: to the program itself; timeout would pass it on twice, and a
# second Break ends the run before its closing notices.
stop() { kill -"$1" "$(pgrep -P $pid)"; }
# A 64 KB disk nearly full: some files run out of room mid-run, the filler
# goes, and they go on. Every line is whole and the lines each file lacks
# are the ones said lost.
mkdir "$TMP/disk"
# shellcheck disable=SC2016 # expanded by the inner shell
unshare -m --propagation private bash -c '
  mount -t tmpfs -o size=64k tmpfs "$1" || exit 9
  mkdir "$1/L"
  head -c 40960 /dev/zero > "$1/fill"
  timeout 30 "$2" watch --resolve no --log-dir "$1/L" --log-replies -d 20 -w 200 \
    127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4 > "$3/out2" 2> "$3/err2" &
  pid=$!
  for _ in $(seq 100); do grep -q "No space left on device" "$3/err2" && break; sleep 0.1; done
  sleep 0.3
  rm "$1/fill"
  sleep 0.7
  kill -INT "$(pgrep -P $pid)"
  wait $pid
  cp -r "$1/L" "$3/disk-logs"' - "$TMP/disk" "$CLI" "$TMP"
[ $? -eq 9 ] && skip "cannot mount a tmpfs"
grep -q ': No space left on device$' "$TMP/err2" || fail "full disk not said"
grep -qE ': [0-9]+ lines? lost$' "$TMP/err2" || fail "lost lines not said"
for f in "$TMP"/disk-logs/*.log; do
  [ "$(tail -c1 "$f" | od -An -c | tr -d ' ')" = '\n' ] || fail "$f ends mid-line"
  [ "$(grep -cvE "$LINE_RE" "$f")" -eq 0 ] || fail "$f: torn lines: $(grep -vE "$LINE_RE" "$f" | head -2)"
  n=$(wc -l < "$f")
  lost=$(grep -F "Log file $TMP/disk/L/$(basename "$f"): " "$TMP/err2" |
    sed -nE 's/.*: ([0-9]+) lines? lost$/\1/p' | paste -sd+ | bc)
  sent=$(tail -1 "$f" | sed -E 's/.*Sent = ([0-9]+),.*/\1/')
  [ $((n + ${lost:-0})) -eq "$sent" ] || fail "$f: $n lines + ${lost:-0} lost, last Sent = $sent"
done

# 300 hosts with 256 descriptors: every host is logged, no line is lost.
hosts=$(for a in 0 1; do for b in $(seq 150); do echo "127.0.$a.$b"; done; done)
# shellcheck disable=SC2086
(ulimit -n 256 && exec timeout 30 "$CLI" watch --resolve no --log-dir "$TMP/many" \
  --log-replies -d 200 -w 500 $hosts > "$TMP/out3" 2> "$TMP/err3") &
pid=$!
wait_for "$TMP/err3" "Monitored addresses" || fail "300 hosts: no start"
sleep 2
stop INT
wait $pid
[ "$(find "$TMP/many" -name '*.log' | wc -l)" -eq 300 ] || fail "300 hosts: not every host logged"
grep -q '^Log file' "$TMP/err3" && fail "300 hosts: $(grep -m1 '^Log file' "$TMP/err3")"

# A file another user made in a shared sticky folder: root does not write
# into it, and says why.
mkdir -m 1777 "$TMP/shared"
runuser -u nobody -- install -m 666 /dev/null "$TMP/shared/127_0_0_3.log"
timeout 30 "$CLI" watch --resolve no --log-dir "$TMP/shared" --log-replies -d 100 127.0.0.3 \
  > "$TMP/out4" 2> "$TMP/err4" &
pid=$!
wait_for "$TMP/err4" '127_0_0_3.log: ' || fail "planted file not refused"
stop INT
wait $pid
[ -s "$TMP/shared/127_0_0_3.log" ] && fail "another user's file was written"
grep -qx "Log file $TMP/shared/127_0_0_3.log: owned by another user in a shared folder" \
  "$TMP/err4" || fail "refusal not said"
finish
