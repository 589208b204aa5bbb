#!/bin/sh
# Compares a burst range ping of a /20 on the loopback network in the window
# with the console doing the same. Target: the window takes at most twice
# the console's time, and its event loop never stalls longer than 100 ms.
#   bench/gui_range_bench.sh [BUILD_DIR]
set -eu
build=${1:-build}
first=127.0.0.0
last=127.0.15.255
registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT

start=$(date +%s.%N)
TARVO_REGISTRY="$registry/registry.json" "$build/src/cli/tarvo-cli" range --burst \
  --ping-net --ping-broadcast -n 1 -d 1 "$first" "$last" >"$registry/console.txt" 2>/dev/null || true
end=$(date +%s.%N)
echo "console: $first to $last, $(wc -l <"$registry/console.txt") lines in" \
  "$(echo "$end - $start" | bc) s"
"$build/src/ui/tarvo_gui_bench" "$first" "$last"
