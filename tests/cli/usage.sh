#!/usr/bin/env bash
# The usage as a user meets it: which words print which help, a typed number
# out of its limits refused at once (before any settings file is written or
# any echo request is sent; each option's message is checked in the unit
# tests), and the documents' synopses saying what the program's usage says.
. "$(dirname "$0")/lib.sh"
use_temp
ROOT=$(dirname "$0")/../..

run 2 ping -n abc 127.0.0.1
expect_line "$TMP/err" 1 'tarvo-cli ping: -n takes a number from 0 to 65535, not "abc"'
[ ! -e "$TARVO_REGISTRY" ] || fail "a refused run wrote the settings file"

# After a command, --help is that command's help wherever it stands; alone,
# the usage; the first of --help and --version decides.
for words in "range -n 3 --help:usage: tarvo-cli range " "watch -h:usage: tarvo-cli watch " \
  "-h:usage:" "--help --version:usage:" "settings --version --help:tarvo-cli "; do
  # shellcheck disable=SC2086
  run 0 ${words%%:*}
  [[ "$(head -n 1 "$TMP/out")" == "${words#*:}"* ]] || fail "${words%%:*} printed [$(cat "$TMP/out")]"
done
# A history's time range is checked before any file is looked for.
run 2 history --since yesterday
expect_line "$TMP/err" 1 "tarvo-cli history: bad time 'yesterday'"
run 2 history --since 1h --until 2h
expect_line "$TMP/err" 1 "tarvo-cli history: --since is after --until"
# -4 / -6 against each other or against the address typed, before any request.
for words in "ping -6 127.0.0.1|-6 and an IPv4 address" "trace -4 [::1]|-4 and an IPv6 address" \
  "ping -4 -6 ::1|-4 and -6"; do
  # shellcheck disable=SC2086
  run 2 ${words%%|*}
  expect_line "$TMP/err" 1 "tarvo-cli ${words%% *}: ${words#*|} do not go together"
done
run 2 nosuch --help
expect_line "$TMP/err" 1 "tarvo-cli: unknown command 'nosuch'"
expect_line "$TMP/err" 2 "usage:"
run 2
expect_line "$TMP/err" 1 "usage:"

# synopses: each "tarvo-cli COMMAND [..." of the text read, its wrapped
# lines joined, without markup and with single blanks.
synopses() {
  sed 's/<[^>]*>//g' | tr -s ' ' | sed 's/^ //' |
    awk '/^tarvo-cli [a-z]+ \[/ { if (s) print s; s = $0; next }
         s && /^\[/ { s = s " " $0; next }
         s { print s; s = "" }
         END { if (s) print s }'
}
# The manual page's synopsis as text: the alternating-font macros join their
# words, each .br ends a line.
man_text() {
  sed -n '/^\.SH SYNOPSIS/,/^\.SH /p' "$ROOT/dist/tarvo-cli.1" |
    awk '/^\.br/ { print s; s = ""; next }
         /^\.SH/ { next }
         { alt = $1 ~ /^\.(RB|IR|BR|RI)$/; sub(/^\.[A-Z]+ /, ""); if (alt) gsub(/ /, "")
           s = s (s == "" ? "" : " ") $0 }' | sed 's/\\-/-/g'
}
synopses < "$TMP/err" > "$TMP/usage"
[ "$(wc -l < "$TMP/usage")" -eq 6 ] || fail "usage synopses: $(cat "$TMP/usage")"
# A refused trace repeats its synopsis.
run 2 trace --no-such-option
expect_line "$TMP/err" 2 "usage: $(grep '^tarvo-cli trace ' "$TMP/usage")"
for doc in dist/tarvo-cli.1 README.md src/ui/help/tarvo.html; do
  if [ "$doc" == dist/tarvo-cli.1 ]; then man_text; else cat "$ROOT/$doc"; fi | synopses > "$TMP/doc"
  diff "$TMP/usage" "$TMP/doc" > "$TMP/diff" || fail "$doc: synopsis is not the usage's: $(cat "$TMP/diff")"
done
finish
