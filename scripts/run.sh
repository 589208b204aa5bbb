#!/usr/bin/env bash
# Installs what is missing, builds and starts Tarvo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -x build/src/ui/tarvo ]; then
  exec build/src/ui/tarvo "$@"
fi
exec build/src/cli/tarvo-cli ping 127.0.0.1
