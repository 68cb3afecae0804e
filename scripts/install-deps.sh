#!/usr/bin/env bash
# Installs the Debian packages Tamarack needs to build, run and test (Debian 12 or later).
# Idempotent: prints nothing and touches nothing when everything is present.
# With the argument `vm`, also what the VM test needs (tests/vm: QEMU, a Linux kernel,
# busybox, sg3-utils, libcdio-utils and open-iscsi's iscsiadm and iscsid for the guest, xorriso
# for its ISO images); with `bench`, what the benchmark scripts compare against (sg3-utils:
# bench/startup_vs_sg_inq.sh); with `package`, what scripts/package.sh builds and validates the
# Debian packages with (and xdotool, which tests/package/unpacked_smoke.sh clicks the window with);
# with `windows`, the mingw-w64 cross compiler, wine to run its programs and tests, and zip for
# the Windows package (the `windows` preset, `./scripts/test.sh windows`).
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang clang-format clang-tidy python3 gettext
  libclang-rt-dev
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcli11-dev
  vcdimager mame-tools
  fonts-ipafont-gothic xvfb xauth
)
if [ "${1:-}" = bench ]; then
  packages+=(sg3-utils valgrind)
fi
if [ "${1:-}" = package ]; then
  packages+=(debhelper dpkg-dev lintian desktop-file-utils appstream man-db xdotool)
fi
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 zip)
fi
if [ "${1:-}" = vm ]; then
  packages+=(qemu-system-x86 linux-image-amd64 busybox-static sg3-utils cpio kmod xz-utils
             libcdio-utils xorriso open-iscsi)
fi

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  echo "install-deps.sh: this is not a Debian system; it cannot check or install packages." >&2
  echo "Tamarack needs the equivalents of these Debian packages: ${packages[*]}" >&2
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps.sh: these Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and there is no sudo here. As root, run:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    echo "then run this again." >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
