#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs into a temporary prefix and uses the installed programs as a user would.
# Usage: install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
p=$tmp/prefix
for f in lib/zweiblick/zweiblick lib/zweiblick/hilfe/index.html lib/zweiblick/hilfe/fenster.png \
         bin/zweiblick-cli share/applications/zweiblick.desktop share/icons/hicolor/scalable/apps/zweiblick.svg \
         share/man/man1/zweiblick.1.gz share/man/man1/zweiblick-cli.1.gz \
         share/doc/zweiblick/copyright share/metainfo/example.melkart.zweiblick.metainfo.xml; do
  [[ -e $p/$f ]] || fail "missing $f"
done
[[ -L $p/bin/zweiblick && $(readlink "$p/bin/zweiblick") == ../lib/zweiblick/zweiblick ]] || fail "bin/zweiblick is no link"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$p/share/applications/zweiblick.desktop"; fi
# Software centres list the program from its metainfo, which names the desktop entry.
metainfo=$p/share/metainfo/example.melkart.zweiblick.metainfo.xml
entry=$(sed -n 's#.*<launchable type="desktop-id">\(.*\)</launchable>.*#\1#p' "$metainfo")
[[ -n $entry && -f $p/share/applications/$entry ]] || fail "the metainfo's desktop entry '$entry' is not installed"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$tmp/appstream.out" 2>&1 || fail "appstreamcli: $(cat "$tmp/appstream.out")"
else
  echo "install test: appstreamcli missing, metainfo not validated"
fi
# The manual pages read without complaints from man.
if command -v man >/dev/null; then
  for page in zweiblick zweiblick-cli; do
    warnings=$(MANWIDTH=80 man --warnings -l "$p/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man $page: $warnings"
  done
fi

# The demo control file passes the batch checks.
mkdir -p "$tmp/demo"
cp -r "$src/examples/." "$tmp/demo/"
export XDG_DATA_HOME=$tmp/data  # the runs' trash: never the user's
export XDG_STATE_HOME=$tmp/state  # their records and journals too
(cd "$tmp/demo" && "$p/bin/zweiblick-cli" ./demo.ini >"$tmp/demo.out" 2>"$tmp/demo.err") || fail "demo.ini: $(cat "$tmp/demo.err")"
grep -q $'nur-links.txt\t' "$tmp/demo.err" && fail "unexpected list on stderr"
grep -q 'Ergebnis des Versionsvergleichs von 8 Dateien' "$tmp/demo.err" || fail "demo summary: $(cat "$tmp/demo.err")"

# Started through the bin/ link, the program finds a bare control-file name in
# its own folder (lib/zweiblick, where its help pages are too).
mkdir -p "$tmp/l" "$tmp/r"
echo neu >"$tmp/l/f.txt"; touch -d '2026-02-01' "$tmp/l/f.txt"
echo alt >"$tmp/r/f.txt"; touch -d '2025-02-01' "$tmp/r/f.txt"
printf '[Pfade]\nLinks=%s\nRechts=%s\n[AutoStart]\nAltersvergleich=1\nAbgleich=1\nEnde=1\n' "$tmp/l" "$tmp/r" \
  >"$p/lib/zweiblick/lauf.ini"
(cd "$tmp" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$tmp/config timeout 60 "$p/bin/zweiblick" lauf.ini) \
  || fail "the installed program did not end by itself"
[[ $(cat "$tmp/r/f.txt") == neu ]] || fail "the installed program did not synchronise"
echo "install test passed"
