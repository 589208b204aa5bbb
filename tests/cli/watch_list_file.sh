#!/usr/bin/env bash
# tarvo-cli watch --file with lists that hold no hosts, are too large or are
# no file at all: each is refused with a usage error at once, before any host
# is pinged.
. "$(dirname "$0")/lib.sh"
use_temp

# refused LIST MESSAGE: the command ends with status 2 and says MESSAGE,
# an @ in it standing for the path of LIST.
refused() {
  run 2 watch --json --file "$1"
  expect_line "$TMP/err" 1 "tarvo-cli watch: ${2//@/$1}"
  expect_lines "$TMP/out" 0
}

# A device, a folder or a FIFO is no list: refused before it is read.
mkfifo "$TMP/fifo"
for list in /dev/zero "$TMP" "$TMP/fifo"; do refused "$list" "@ is not a regular file"; done
refused "$TMP/missing" "cannot read @: No such file or directory"
# A file that grew past 16 MiB is refused rather than read into memory; a
# NUL ends the list, so what follows it does not count.
head -c 17M /dev/zero | tr '\0' 'a' > "$TMP/large"
refused "$TMP/large" "@ is larger than 16 MiB"
printf '\0' > "$TMP/nul"
cat "$TMP/large" >> "$TMP/nul"
refused "$TMP/nul" "needs at least one HOST or a --file LIST"
finish
