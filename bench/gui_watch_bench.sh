#!/bin/sh
# The watch monitor in the window: HOSTS (256) loopback hosts from 127.0.1.0,
# each asked every 100 ms, for 30 s (or SECONDS). Targets: under one core, no
# event-loop stall above 100 ms, every point shown (HOSTS x 10 points/s),
# also with 1024 hosts.
#   bench/gui_watch_bench.sh [BUILD_DIR] [SECONDS] [HOSTS]
set -eu
build=${1:-build}
"$build/src/ui/tarvo_gui_watch_bench" "${2:-30}" "${3:-256}"
