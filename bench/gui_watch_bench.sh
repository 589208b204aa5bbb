#!/bin/sh
# The watch monitor in the window: 256 hosts on 127.0.1.0/24, each asked
# every 100 ms, for 30 s (or SECONDS). Targets: under one core, no event-loop
# stall above 100 ms, every point shown (2,560 points/s).
#   bench/gui_watch_bench.sh [BUILD_DIR] [SECONDS]
set -eu
build=${1:-build}
"$build/src/ui/tarvo_gui_watch_bench" "${2:-30}"
