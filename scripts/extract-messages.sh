#!/usr/bin/env bash
# Extracts the marked texts of src/ (Tr, TR_NOOP, UiText) into a gettext template, by default
# po/tamarack.pot. Run from anywhere; merge a language's catalogue after it with
#   msgmerge --update --no-fuzzy-matching po/NAME.po po/tamarack.pot
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/po/tamarack.pot}
cd "$root"
# The window's texts end lines with "\r\n" as they always have: xgettext's warning about them
# is left out.
find src -name '*.cc' -o -name '*.h' | LC_ALL=C sort |
  xgettext --files-from=- --output="$out" --from-code=UTF-8 --language=C++ \
    --keyword= --keyword=Tr --keyword=TR_NOOP --keyword=UiText \
    --add-location=file --sort-by-file --package-name=Tamarack \
    --msgid-bugs-address=maintainers@users.noreply.c-seed-6092d6fc.example \
    --copyright-holder='Tamarack maintainers' 2>&1 |
  { grep -v -e "should not contain the '\\\\r' escape sequence" || true; } >&2
