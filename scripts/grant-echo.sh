#!/usr/bin/env bash
# Gives the built programs the raw-socket capability, so an ordinary user
# can send echo requests. The least invasive way: only these two files get
# it, and they give it up right after opening their sockets. A rebuild
# removes it, so this is run again after every build (scripts/run.sh).
#
#   scripts/grant-echo.sh PROGRAM...
#
# Asks for nothing when every program already holds the capability. Exits 0
# when every program holds it, 1 when it could not be set: then it says
# which commands would allow echo sockets, and who has to run them.
set -uo pipefail

# getcap and setcap live in /usr/sbin on Debian, which an ordinary user's
# PATH often lacks.
find_tool() {
  command -v "$1" 2>/dev/null && return 0
  local dir
  for dir in /usr/sbin /sbin; do
    [ -x "$dir/$1" ] && { echo "$dir/$1"; return 0; }
  done
  return 1
}

has_capability() {
  [ -n "$GETCAP" ] && "$GETCAP" "$1" 2>/dev/null | grep -q cap_net_raw
}

SYSCTL_LINE='sysctl -w net.ipv4.ping_group_range="0 2147483647"'

# setcap takes one file per capability: one command per program, with
# absolute paths, so they work from any folder.
setcap_lines() {
  local prefix=$1 program
  for program in "${missing[@]}"; do
    echo "  ${prefix}setcap cap_net_raw+ep $(realpath "$program")"
  done
}

# This user cannot become root: only an administrator can allow the sockets.
needs_administrator() {
  {
    echo "This user cannot run commands as root ($1): an administrator"
    echo "of this machine must run, as root, either these commands (again after"
    echo "every rebuild), one per program:"
    setcap_lines ""
    echo "or this one, which allows echo (ping) sockets to every user:"
    echo "  $SYSCTL_LINE"
  } >&2
  exit 1
}

# The capability cannot be set here (no setcap, a file system without
# extended attributes): allowing ping sockets is the way left.
alternative() {
  cat >&2 <<TEXT
Could not give the programs the raw-socket capability. Instead, allow echo
(ping) sockets to every user of this machine until the next reboot with:
  ${SUDO[*]}${SUDO[*]:+ }$SYSCTL_LINE
(to keep it, put net.ipv4.ping_group_range = 0 2147483647 into a file in
/etc/sysctl.d/).
TEXT
  exit 1
}

[ $# -gt 0 ] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
GETCAP=$(find_tool getcap) || GETCAP=""
missing=()
for program in "$@"; do
  [ -f "$program" ] || { echo "grant-echo.sh: no such program: $program" >&2; exit 2; }
  has_capability "$program" || missing+=("$program")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=()
[ "$(id -u)" = 0 ] || SUDO=(sudo)
SETCAP=$(find_tool setcap) || alternative
if [ ${#SUDO[@]} -gt 0 ]; then
  command -v sudo >/dev/null || needs_administrator "sudo is not installed"
fi
echo "Tarvo sends echo requests through ICMP sockets, which this user may not open."
echo "Giving the raw-socket capability (cap_net_raw) to these files only:"
printf '  %s\n' "${missing[@]}"
echo "The programs give it up right after opening their sockets."
if [ ${#SUDO[@]} -gt 0 ]; then
  echo "Running, through sudo:"
  setcap_lines "sudo "
  sudo -v || needs_administrator "sudo refused"
fi
for program in "${missing[@]}"; do
  "${SUDO[@]}" "$SETCAP" cap_net_raw+ep "$program" || alternative
done
exit 0
