#!/usr/bin/env bash
# Installs the Debian 12 packages Tarvo needs to build, run and test.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev libgl1-mesa-dev libasound2-dev nlohmann-json3-dev
  libsqlite3-dev libsqlitecpp-dev sqlite3
  libgtest-dev googletest
  clang-format
  iproute2 nftables iputils-ping traceroute fping
  libcap2-bin
  appstream
  desktop-file-utils man-db groff-base jq
  xvfb xauth
  dbus
  time
  python3-minimal
  libmicrohttpd-dev curl prometheus systemd
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
# Prometheus is here for the metrics tests, which start a server of their
# own: the package's service, newly started, is not wanted.
if [[ " ${missing[*]} " == *" prometheus "* ]] && [ -d /run/systemd/system ]; then
  $SUDO systemctl disable --now prometheus.service > /dev/null 2>&1 || true
fi
