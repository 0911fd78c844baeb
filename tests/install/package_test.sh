#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and checks it as a distribution would.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
cd "$build"
fail() { echo "FAIL: $*" >&2; exit 1; }
cpack >/dev/null
deb=$(ls -t zweiblick_*.deb | head -n 1)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/lib/zweiblick/zweiblick ./usr/lib/zweiblick/hilfe/index.html ./usr/bin/zweiblick-cli \
         ./usr/share/applications/zweiblick.desktop ./usr/share/icons/hicolor/scalable/apps/zweiblick.svg \
         ./usr/share/icons/hicolor/48x48/apps/zweiblick.png \
         ./usr/share/man/man1/zweiblick.1.gz ./usr/share/man/man1/zweiblick-cli.1.gz \
         ./usr/share/doc/zweiblick/copyright ./usr/share/doc/zweiblick/changelog.gz \
         ./usr/share/metainfo/example.melkart.zweiblick.metainfo.xml; do
  grep -q " $f\$" <<<"$contents" || fail "$f not in $deb"
done
grep -q ' ./usr/bin/zweiblick -> ../lib/zweiblick/zweiblick$' <<<"$contents" || fail "no bin link"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libicu qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done

# The changelog and the software centre's release name the package's version.
version=$(dpkg-deb -f "$deb" Version)
x=$(mktemp -d)
trap 'rm -rf "$x"' EXIT
dpkg-deb -x "$deb" "$x"
logged=$(zcat "$x/usr/share/doc/zweiblick/changelog.gz" | head -n 1 | sed -E 's/^[^(]*\(([^)]*)\).*/\1/')
[[ $logged == "$version" ]] || fail "changelog names $logged, the package is $version"
grep -q "<release version=\"$version\"" "$x/usr/share/metainfo/example.melkart.zweiblick.metainfo.xml" \
  || fail "the metainfo has no release $version"

# A distribution takes only a package that lintian passes without errors or warnings.
if command -v lintian >/dev/null; then
  # lintian warns on stderr that it runs as root; its findings go to stdout.
  # It exits 1 for errors it found, anything above for its own failure.
  rc=0
  lintian --no-tag-display-limit "$deb" >"$x/lintian.out" 2>"$x/lintian.err" || rc=$?
  ((rc <= 1)) || fail "lintian could not check $deb: $(cat "$x/lintian.err")"
  findings=$(grep -E '^[EW]: ' "$x/lintian.out" || true)
  [[ -z $findings ]] || fail "lintian: $findings"
else
  echo "package test: lintian missing, package not linted"
fi
echo "package test passed: $deb"
