#!/usr/bin/env bash
# Builds the Debian package and checks that its files are where they belong.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
cd "$build"
cpack >/dev/null
deb=$(ls -t zweiblick_*.deb | head -n 1)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/lib/zweiblick/zweiblick ./usr/lib/zweiblick/hilfe/index.html ./usr/bin/zweiblick-cli \
         ./usr/share/applications/zweiblick.desktop ./usr/share/icons/hicolor/scalable/apps/zweiblick.svg \
         ./usr/share/icons/hicolor/48x48/apps/zweiblick.png; do
  grep -q " $f\$" <<<"$contents" || { echo "FAIL: $f not in $deb" >&2; exit 1; }
done
grep -q ' ./usr/bin/zweiblick -> ../lib/zweiblick/zweiblick$' <<<"$contents" || { echo "FAIL: no bin link" >&2; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libicu qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$d" <<<"$depends" || { echo "FAIL: Depends lacks $d: $depends" >&2; exit 1; }
done
echo "package test passed: $deb"
