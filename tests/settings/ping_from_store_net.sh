#!/usr/bin/env bash
# A bare tarvo-cli ping takes its count and target from the settings store.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp
cat > "$TARVO_REGISTRY" <<'JSON'
{"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": {
  "P_Countp": "2", "P_Delayp": "100", "P_Bytesp": "5",
  "PingHosts": {"P_DestHost_000": "localhost", "P_DestHost_001": "127.0.0.1"}}}}}}
JSON
before=$(cat "$TARVO_REGISTRY")

"$CLI" ping > "$TMP/out" 2>/dev/null
expect_status $? 0 "bare ping"
expect_line "$TMP/out" 2 "  $DOT Pinging 127.0.0.1"
[ "$(grep -c '^        Reply from 127\.0\.0\.1: Bytes=18 ' "$TMP/out")" -eq 2 ] ||
  fail "expected two replies of 18 bytes: $(cat "$TMP/out")"
[ "$(cat "$TARVO_REGISTRY")" == "$before" ] || fail "ping changed the settings file"
finish
