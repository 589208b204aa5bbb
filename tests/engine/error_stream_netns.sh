#!/usr/bin/env bash
# A burst sweep across a subnet whose requests loop between two routers
# (a stream of "time exceeded" reports) and a subnet that answers. Each
# report belongs to its own request: with a shared datagram socket an error
# meant for one request must neither fail another's send nor go missing.
# Both socket kinds give the same lines, every time.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

# subnet PREFIX TEXT: the lines of a /24 whose every host reads TEXT.
subnet() {
  echo "      $1.0  --- IP subnet address. Not pinged. ---"
  for n in $(seq 1 254); do echo "      $1.$n  $2"; done
  echo "      $1.255  --- Broadcast address. Not pinged. ---"
}
{
  subnet 198.18.30 "Reply from 198.18.2.2: TTL expired transit"
  subnet 198.18.31 "Bytes=32;  sent/recv/lost=1/1/0;  TTL=61"
} > "$TMP/expected"

for kind in dgram raw; do
  for run in 1 2 3; do
    TARVO_ECHO_SOCKET=$kind "$CLI" range --burst -w 3000 198.18.30.0 198.18.31.255 \
      > "$TMP/out" 2>/dev/null
    expect_status $? 0 "$kind sweep $run"
    # Address lines only, round trips aside.
    sed -n '4,515p' "$TMP/out" | sed -E 's#  min/avg/max=[0-9]+/[0-9]+/[0-9]+;##' > "$TMP/got"
    if ! diff "$TMP/expected" "$TMP/got" > "$TMP/diff"; then
      fail "$kind sweep $run: $(grep -c '^>' "$TMP/diff") line(s) differ"
      head -20 "$TMP/diff" >&2
    fi
  done
done
finish
