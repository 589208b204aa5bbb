#!/usr/bin/env bash
# tarvo-cli range inside the test network's prober: a host that never
# answers and a subnet a router reports unreachable.
. "$(dirname "$0")/../cli/lib.sh"
require_echo
use_temp

run 1 range -w 500 198.18.10.20 198.18.10.20
expect_line "$TMP/out" 4 "      198.18.10.20  Request timed out"
expect_line "$TMP/out" 11 "                Number of not reached addresses:...........1"

run 1 range --burst -w 2000 198.18.20.1 198.18.20.3
expect_line "$TMP/out" 6 "      198.18.20.3  Reply from 198.18.2.2: Destination host unreachable"

finish
