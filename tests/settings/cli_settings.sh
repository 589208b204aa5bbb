#!/usr/bin/env bash
# tarvo-cli settings lists what the load gives (the load's repairs themselves
# are the settings tests'), a new user's defaults first, and writes only on
# --save; a save that cannot write says why and fails.
. "$(dirname "$0")/../cli/lib.sh"
use_temp

# listed LINE...: each is a whole line of the last run's standard output.
listed() {
  for line in "$@"; do grep -qxF -- "$line" "$TMP/out" || fail "not listed: [$line]"; done
}
# saved TEXT: the settings file holds TEXT (the file is written two blanks an indent level).
saved() { tr -d '\n ' < "$TARVO_REGISTRY" | grep -qF -- "$1" || fail "not saved: [$1]"; }

run 0 settings  # a new user's
expect_line "$TMP/out" 1 "P_RangeEnabled=0"
expect_line "$TMP/out" 2 "P_Countp=4"
[ "$(grep -xA6 'W_AutoStartFile=' "$TMP/out" | tail -n 6 | paste -sd ' ')" == \
  "W_History=1 W_HistoryRawDays=2 W_HistoryDays=90 W_MetricsListen= AddressFamily=0 Program1=Telnet|telnet| | " ] ||
  fail "the programs do not follow the settings: $(cat "$TMP/out")"
[ ! -e "$TARVO_REGISTRY" ] || fail "printing wrote the settings file"

cat > "$TARVO_REGISTRY" <<'JSON'
{"SOFTWARE": {"Dravenco": {"Tarvo": {
  "OtherCommand": {"CommandLine": "/usr/bin/ssh", "PreIPArguments": "-l admin"},
  "Settings": {"P_TTL": "300", "P_FirstIP": "10.1.2.3", "P_LastIP": "10.1.2.9",
    "P_RangeEnabled": "1", "PingHosts": {"P_DestHost_000": "gw", "P_DestHost_001": "127.0.0.1"}}}}}}
JSON
run 0 settings
listed P_TTL=60 P_FirstIP=10.1.2.3 PingHost0=gw PingHost1=127.0.0.1 "Program2=ssh|/usr/bin/ssh|-l admin| "

# --save stores what was printed, as closing the window would.
run 0 settings --save
saved '"Settings":{"P_RangeEnabled":"1",'
saved '"OtherCommands":{"C0000001":{"CommandLine":"/usr/bin/ssh"'

# A read-only file is not replaced (other places a save cannot write are the
# registry file tests').
echo '{"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": {"P_TTL": "99"}}}}}' > "$TARVO_REGISTRY"
chmod 400 "$TARVO_REGISTRY"
before=$(cat "$TARVO_REGISTRY")
run 1 settings --save
[[ "$(head -n 1 "$TMP/err")" == "tarvo-cli settings: the settings were not saved: "*read-only* ]] ||
  fail "the reason: $(cat "$TMP/err")"
listed P_TTL=99
[ "$(cat "$TARVO_REGISTRY")" == "$before" ] || fail "a read-only file was changed"
finish
