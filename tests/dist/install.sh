#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR as a package would (stripped),
# then checks what landed there: both programs, the desktop entry and its
# metainfo, the icon, the manual pages, the echo-socket note, the watch
# service's unit and the metrics dashboard, that every
# printed setcap command names one file, and that the programs answer
# --version (and the window --help) without a display.
source "$(dirname "$0")/../cli/lib.sh"
BUILD=${TARVO_BUILD:?build directory}
VERSION=${TARVO_VERSION:?project version}

DEST=$(mktemp -d)
trap 'rm -rf "$DEST"' EXIT

DESTDIR="$DEST" cmake --install "$BUILD" --strip --prefix /opt/tv > "$DEST/install.log" 2>&1 ||
  { cat "$DEST/install.log" >&2; fail "cmake --install --strip failed"; exit 1; }
for p in tarvo tarvo-cli; do
  grep -qx -- "  setcap cap_net_raw+ep /opt/tv/bin/$p" "$DEST/install.log" || fail "no setcap printed for $p"
done

R="$DEST/opt/tv"
META=share/metainfo/org.dravenco.tarvo.metainfo.xml
for f in bin/tarvo bin/tarvo-cli; do
  [ -x "$R/$f" ] || fail "$f not installed or not executable"
  readelf -S "$R/$f" | grep -q "\.debug_info" && fail "$f installed with debug information"
done
for f in share/applications/tarvo.desktop share/icons/hicolor/scalable/apps/tarvo.svg \
  share/man/man1/tarvo.1 share/man/man1/tarvo-cli.1 share/doc/tarvo/echo-sockets.txt "$META"; do
  [ -s "$R/$f" ] || fail "$f not installed"
done

# setcap takes one file per capability: "setcap CAPS FILE1 FILE2" fails.
for f in "$DEST/install.log" "$R/share/doc/tarvo/echo-sockets.txt" "$R"/share/man/man1/*.1 \
  "$(dirname "$0")/../../src/ui/help/tarvo.html" "$(dirname "$0")/../../README.md"; do
  bad=$(sed 's/\\-/-/g; s/<[^>]*>/X/g' "$f" | grep -E "setcap +cap_[a-z_]+[+=][a-z]+ +[^ ]+ +[^ (]" | grep -v "^#")
  [ -z "$bad" ] || fail "$f: a setcap command names two files: $bad"
done

# Both validators come with scripts/install-deps.sh; the metainfo's is optional.
if command -v appstreamcli > /dev/null; then
  out=$(appstreamcli validate --no-net "$R/$META" 2>&1) || fail "metainfo: $out"
  launch=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$R/$META")
  [ -f "$R/share/applications/$launch" ] || fail "metainfo launches [$launch], not installed"
fi

out=$(desktop-file-validate "$R/share/applications/tarvo.desktop" 2>&1) && [ -z "$out" ] ||
  fail "desktop-file-validate: $out"

for MAN in "$R"/share/man/man1/tarvo.1 "$R"/share/man/man1/tarvo-cli.1; do
  warn=$(groff -man -Tutf8 -z -ww "$MAN" 2>&1)
  [ -z "$warn" ] || fail "$MAN warnings: $warn"
  grep -q "@[A-Z_]*@\|/usr/bin" "$MAN" && fail "$MAN: a placeholder left or a fixed /usr/bin"
done
page=$(MANPAGER=cat MANWIDTH=80 man -l "$R/share/man/man1/tarvo-cli.1" 2> /dev/null | tr -s " ")
# The installed page names the installed path and the version.
for word in "setcap cap_net_raw+ep /opt/tv/bin/tarvo-cli" "Tarvo $VERSION"; do
  grep -qF -- "$word" <<< "$page" || fail "man page lacks [$word]"
done

# The service unit names the installed program and goes where systemd reads
# units under that prefix (tests/dist/service_unit.sh verifies it).
unit="$R/lib/systemd/system/tarvo-watch.service"
grep -q "^ExecStart=/opt/tv/bin/tarvo-cli watch --file /etc/tarvo/watch.list --metrics 9427 " "$unit" ||
  fail "tarvo-watch.service: $(grep ^ExecStart "$unit" 2>&1)"
jq -e '.__inputs[0] | .name == "DS_PROMETHEUS" and .pluginId == "prometheus"' \
  "$R/share/doc/tarvo/grafana-dashboard.json" > /dev/null || fail "the dashboard does not parse or has no input"

# The programs answer --version, and the window --help, without any display.
for row in "tarvo --version:tarvo $VERSION" "tarvo --help:usage:*" \
  "tarvo-cli --version:tarvo-cli $VERSION"; do
  words=${row%%:*}
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$R/bin/${words% *}" "${words#* }" 2> /dev/null)
  expect_status $? 0 "$words"
  # shellcheck disable=SC2053
  [[ "$out" == ${row#*:} ]] || fail "$words printed [$out]"
done

finish
