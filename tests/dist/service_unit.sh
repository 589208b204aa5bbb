#!/usr/bin/env bash
# systemd-analyze accepts the watch service's unit as installed: the program
# it names (this build's) and the manual page it points to exist, every
# setting parses.
source "$(dirname "$0")/../cli/lib.sh"
command -v systemd-analyze > /dev/null || { echo "systemd-analyze is not installed" >&2; exit 77; }
ROOT=$(dirname "$0")/../..
DEST=$(mktemp -d)
trap 'rm -rf "$DEST"' EXIT
mkdir -p "$DEST/man/man1"
cp "$ROOT/dist/tarvo-cli.1" "$DEST/man/man1/"
sed "s|@CMAKE_INSTALL_FULL_BINDIR@/tarvo-cli|$CLI|" "$ROOT/dist/tarvo-watch.service" \
  > "$DEST/tarvo-watch.service"
out=$(MANPATH="$DEST/man" systemd-analyze verify "$DEST/tarvo-watch.service" 2>&1) && [ -z "$out" ] ||
  fail "systemd-analyze verify: $out"
finish
