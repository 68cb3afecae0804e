#!/usr/bin/env bash
# Builds the Debian packages tamarack-cli and tamarack into dist/ with dpkg-buildpackage -b -us
# -uc, then validates what was built: lintian, desktop-file-validate and appstreamcli validate
# (errors fail; warnings are printed). Builds the programs only (DEB_BUILD_OPTIONS=nocheck: no
# tests, no benchmarks; noautodbgsym: no debug symbol packages; more options may come from the
# environment) through the compiler cache the presets use. Install the result with `apt-get install ./dist/*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh package

version=$(sed -n 's/^project(Tamarack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packaged=$(dpkg-parsechangelog -S Version)
if [ "$packaged" != "$version" ]; then
  echo "package.sh: debian/changelog is at $packaged, CMakeLists.txt at $version" >&2
  exit 1
fi
arch=$(dpkg-architecture -qDEB_HOST_ARCH)

# debhelper gives the build a HOME of its own: name the cache, or every build is cold.
export CCACHE_DIR=${CCACHE_DIR:-$(ccache --get-config cache_dir)}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")}
export DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
dist=$PWD/dist
rm -rf "$dist"
mkdir -p "$dist"
export TAMARACK_DEB_DIR=$dist
dpkg-buildpackage -b -us -uc \
  --buildinfo-option=-u"$dist" --buildinfo-file="$dist/tamarack_${version}_$arch.buildinfo" \
  --changes-option=-u"$dist" --changes-file="$dist/tamarack_${version}_$arch.changes"

echo "== packages"
ls -l "$dist"/*.deb
errors=0
echo "== lintian"
lintian --info --display-info "$dist/tamarack_${version}_$arch.changes" || errors=1
echo "== desktop-file-validate and appstreamcli validate"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg -x "$dist/tamarack_${version}_$arch.deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || errors=1
appstreamcli validate --no-net --explain "$unpacked"/usr/share/metainfo/*.metainfo.xml || errors=1
if [ "$errors" -ne 0 ]; then
  echo "package.sh: the validators found errors (above)" >&2
  exit 1
fi
echo "package.sh: built and validated: $(cd "$dist" && echo *.deb)"
