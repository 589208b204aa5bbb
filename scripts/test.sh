#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test.
# As root it also builds the test network of namespaces for the netns tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

echo "== clang-format"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
if ! clang-format --dry-run --Werror $files; then
  echo "clang-format: files above need formatting (clang-format -i)" >&2
  exit 1
fi

if [ "$(id -u)" = 0 ]; then
  # A network that was already up belongs to someone else's session: bring
  # it up to date, and leave it standing afterwards.
  if ip netns list 2>/dev/null | grep -qw tvp; then
    scripts/testnet.sh update
  else
    scripts/testnet.sh up
    trap 'scripts/testnet.sh down >/dev/null 2>&1 || true' EXIT
  fi
fi

echo "== tests"
cd build
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --timeout 600 "$@"
