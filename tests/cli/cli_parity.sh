#!/bin/sh
# The runs a user makes first, on a virtual drive, as one transcript with what changes from run
# to run (times, speeds) masked: `drives`, `toc --drive emu:type13`, a capture with its file's
# checksum, an ageing run with its log. The Linux and the Windows program (under wine) are held
# to the same transcript. Usage: cli_parity.sh GOLDEN PROGRAM... ("wine64 X.exe" too; no spaces
# in the program's path). TAMARACK_UPDATE_GOLDEN=1 writes the golden file instead.
set -u
golden=$1
shift
program="$*"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export TAMARACK_PLATFORM_DRIVES=0
unset TAMARACK_VIRTUAL_DRIVES
drive='emu:type13?speed=max'
run() {
  echo "\$ tamarack-cli $*"
  # shellcheck disable=SC2086 # the program's words
  $program "$@" 2>/dev/null
  echo "exit $?"
}
{
  run drives
  run toc --drive emu:type13
  run capture --drive "$drive" --out cap.dat --start 0 --end 99 --yes
  echo "cap.dat: $(wc -c <cap.dat) bytes, sha256 $(sha256sum <cap.dat | cut -c1-16)"
  run age --drive "$drive" --start 0 --end 200 --length 16 --method random --loop 2 \
    --seed 7 --log age.log --yes
  echo "age.log:"
  cat age.log
} | tr -d '\r' |
  sed -E -e 's/[0-9]+msec/Nmsec/g' \
    -e 's#[0-9]{2}/[0-9]{2}/[0-9]{4}[: ][0-9]{2}:[0-9]{2}:[0-9]{2}#DATE TIME#g' \
    -e 's/[0-9.]+ bytes in [0-9.]+ s, [0-9.]+ MB\/s/N bytes in T s, S MB\/s/' \
    >transcript.txt
if [ "${TAMARACK_UPDATE_GOLDEN:-0}" = 1 ]; then
  cp transcript.txt "$golden"
  exit 0
fi
diff -u "$golden" transcript.txt
