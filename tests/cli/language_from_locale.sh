#!/usr/bin/env bash
# tamarack-cli PROGRAM CATALOGUE: the language of the closing texts follows the locale variables
# as gettext reads them (LANGUAGE first, none under the plain C locale), a locale the machine has
# not generated included; an installed program reads the catalogues of <bin>/../share/locale.
set -u
cli=$1
catalogue=$2
failures=0
passed=0

# The ageing run's closing message under the environment given (nothing else set).
closing() {
  env -i PATH="$PATH" "$@" "$cli" age --drive 'emu:type13?speed=max' --start 0 --end 40 \
    --loop 2 --method twopoint 2>&1
}

expect() {
  local want=$1 output=$2 what=$3
  local english=0 japanese=0
  grep -q 'Ageing has finished' <<<"$output" && english=1
  grep -qP '[\x{3000}-\x{30FF}\x{FF61}-\x{FF9F}\x{4E00}-\x{9FFF}]' <<<"$output" && japanese=1
  if { [ "$want" = en ] && [ $english = 1 ] && [ $japanese = 0 ]; } ||
     { [ "$want" = ja ] && [ $english = 0 ] && [ $japanese = 1 ]; }; then
    passed=$((passed + 1))
  else
    echo "FAIL: $what: expected $want, got:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

while read -r want vars; do
  # shellcheck disable=SC2086
  expect "$want" "$(closing $vars)" "${vars:-no locale}"
done <<'CASES'
en LANG=en_US.UTF-8
en LANGUAGE=en LC_ALL=C.UTF-8
en LC_MESSAGES=en_GB.UTF-8 LANG=ja_JP.UTF-8
en LC_ALL=en_ZZ.UTF-8@euro
ja
ja LANG=ja_JP.UTF-8
ja LANGUAGE=en LC_ALL=C
ja LANGUAGE=ja LANG=en_US.UTF-8
CASES

# An installed program: <bin>/../share/locale is read, not the build tree's catalogues.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/bin" "$tmp/share/locale"
cp "$cli" "$tmp/bin/"
cli=$tmp/bin/$(basename "$cli")
expect ja "$(closing LANG=en_US.UTF-8)" "installed without a catalogue"
mkdir -p "$tmp/share/locale/en/LC_MESSAGES"
cp "$catalogue" "$tmp/share/locale/en/LC_MESSAGES/tamarack.mo"
expect en "$(closing LANG=en_US.UTF-8)" "installed with its catalogue"

echo "$passed passed, $failures failed"
[ $failures -eq 0 ]
