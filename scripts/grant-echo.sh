#!/usr/bin/env bash
# Gives the built programs the raw-socket capability, so an ordinary user
# can send echo requests. The least invasive way: only these two files get
# it, and they give it up right after opening their sockets. A rebuild
# removes it, so this is run again after every build (scripts/run.sh).
#
#   scripts/grant-echo.sh PROGRAM...
#
# Exits 0 when every program holds the capability, 1 when it could not be
# set (no setcap, a file system without extended attributes); then it
# prints the other way: allowing ping sockets to every group.
set -uo pipefail

has_capability() {
  command -v getcap >/dev/null && getcap "$1" 2>/dev/null | grep -q cap_net_raw
}

alternative() {
  cat >&2 <<'TEXT'
Could not give the programs the raw-socket capability. Instead, allow echo
(ping) sockets to every user of this machine until the next reboot with:
  sudo sysctl -w net.ipv4.ping_group_range="0 2147483647"
(to keep it, put net.ipv4.ping_group_range = 0 2147483647 into a file in
/etc/sysctl.d/).
TEXT
  exit 1
}

[ $# -gt 0 ] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
missing=()
for program in "$@"; do
  [ -f "$program" ] || { echo "grant-echo.sh: no such program: $program" >&2; exit 2; }
  has_capability "$program" || missing+=("$program")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SETCAP=$(command -v setcap || echo /usr/sbin/setcap)
[ -x "$SETCAP" ] || alternative
SUDO=()
[ "$(id -u)" = 0 ] || SUDO=(sudo)
echo "Tarvo sends echo requests through ICMP sockets, which this user may not open."
echo "Giving the raw-socket capability (cap_net_raw) to these files only:"
printf '  %s\n' "${missing[@]}"
echo "The programs give it up right after opening their sockets."
[ ${#SUDO[@]} -eq 0 ] || echo "Running: sudo setcap cap_net_raw+ep ..."
for program in "${missing[@]}"; do
  "${SUDO[@]}" "$SETCAP" cap_net_raw+ep "$program" || alternative
done
exit 0
