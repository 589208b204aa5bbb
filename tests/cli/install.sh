#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR as a package would, then checks
# what landed there: both programs, the desktop entry, the icon, the manual
# page and the echo-socket note, and that the programs answer --help/--version.
source "$(dirname "$0")/lib.sh"
BUILD=${TARVO_BUILD:?build directory}
VERSION=${TARVO_VERSION:?project version}

DEST=$(mktemp -d)
trap 'rm -rf "$DEST"' EXIT

DESTDIR="$DEST" cmake --install "$BUILD" --prefix /usr > "$DEST/install.log" 2>&1 ||
  { cat "$DEST/install.log" >&2; fail "cmake --install failed"; exit 1; }
grep -q "setcap cap_net_raw+ep /usr/bin/tarvo /usr/bin/tarvo-cli" "$DEST/install.log" ||
  fail "install does not print the setcap command with the installed paths"

R="$DEST/usr"
for f in bin/tarvo bin/tarvo-cli; do
  [ -x "$R/$f" ] || fail "$f not installed or not executable"
done
for f in share/applications/tarvo.desktop share/icons/hicolor/scalable/apps/tarvo.svg \
  share/man/man1/tarvo-cli.1 share/doc/tarvo/echo-sockets.txt; do
  [ -s "$R/$f" ] || fail "$f not installed"
done

if command -v desktop-file-validate > /dev/null; then
  out=$(desktop-file-validate "$R/share/applications/tarvo.desktop" 2>&1)
  [ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  fail "desktop-file-validate missing (scripts/install-deps.sh installs it)"
fi
grep -qx "Exec=tarvo" "$R/share/applications/tarvo.desktop" || fail "desktop entry does not start tarvo"
grep -qx "Icon=tarvo" "$R/share/applications/tarvo.desktop" || fail "desktop entry lacks the icon"
head -c 200 "$R/share/icons/hicolor/scalable/apps/tarvo.svg" | grep -q "<svg" || fail "icon is not SVG"

MAN="$R/share/man/man1/tarvo-cli.1"
warn=$(groff -man -Tutf8 -z -ww "$MAN" 2>&1)
[ -z "$warn" ] || fail "man page warnings: $warn"
page=$(MANPAGER=cat MANWIDTH=80 man -l "$MAN" 2> /dev/null | tr -s " ")
for word in "tarvo-cli ping" "tarvo-cli range" "tarvo-cli trace" "tarvo-cli watch" \
  "tarvo-cli settings" "EXIT STATUS" "setcap cap_net_raw+ep" "Tarvo $VERSION"; do
  grep -qF -- "$word" <<< "$page" || fail "man page lacks [$word]"
done
grep -qF "@PROJECT_VERSION@" "$MAN" && fail "man page version not filled in"

CLI_I="$R/bin/tarvo-cli"
out=$("$CLI_I" --version 2> /dev/null)
expect_status $? 0 "--version"
[ "$out" == "tarvo-cli $VERSION" ] || fail "--version printed [$out]"
for cmd in "--help" "-h" "ping --help" "range -n 3 --help" "trace --help" "watch -h" \
  "settings --help"; do
  # shellcheck disable=SC2086
  out=$("$CLI_I" $cmd 2> /dev/null)
  expect_status $? 0 "$cmd"
  [[ "$out" == usage:* ]] || fail "$cmd did not print the usage: [$out]"
done
"$CLI_I" nosuch --help > /dev/null 2>&1
expect_status $? 2 "unknown command with --help"

[ "$FAILS" -eq 0 ] || exit 1
echo "install checks passed"
