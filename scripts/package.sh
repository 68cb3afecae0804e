#!/usr/bin/env bash
# Builds the Debian packages tamarack-cli and tamarack into dist/ with dpkg-buildpackage -b -us
# -uc, then validates what was built: lintian, desktop-file-validate and appstreamcli validate
# (errors fail; warnings are printed). Builds the programs only (DEB_BUILD_OPTIONS=nocheck: no
# tests, no benchmarks; noautodbgsym: no debug symbol packages; more options may come from the
# environment) through the compiler cache the presets use. Install the result with `apt-get install ./dist/*.deb`.
# With `windows`: cross-builds tamarack-cli.exe (preset windows) and zips it with the README,
# the licence and the guides into dist/tamarack-cli-VERSION-windows-x86_64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = windows ]; then
  ./scripts/install-deps.sh windows
  version=$(sed -n 's/^project(Tamarack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target tamarack-cli
  exe=build/windows/src/cli/tamarack-cli.exe
  # The programs are linked statically: any DLL they still name beyond the system's own
  # would be missing on the user's machine.
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(kernel32|user32|advapi32|shell32|ole32|msvcrt|ws2_32|api-ms-win-.*)\.dll$' || true)
  if [ -n "$dlls" ]; then
    echo "package.sh: tamarack-cli.exe needs DLLs not packaged: $dlls" >&2
    exit 1
  fi
  name=tamarack-cli-$version-windows-x86_64
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  mkdir "$stage/$name"
  cp "$exe" "$stage/$name/"
  x86_64-w64-mingw32-strip "$stage/$name/tamarack-cli.exe"
  # Text files with Windows line ends, so that Notepad of any age shows them.
  for f in README.md LICENSE docs/user-guide.md docs/cli-guide.md docs/virtual-drive.md; do
    sed 's/$/\r/' "$f" >"$stage/$name/$(basename "$f" .md).txt"
  done
  mkdir -p dist
  rm -f "dist/$name.zip"
  (cd "$stage" && zip -qr "$OLDPWD/dist/$name.zip" "$name")
  unzip -l "dist/$name.zip"
  echo "package.sh: built dist/$name.zip"
  exit 0
fi
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
