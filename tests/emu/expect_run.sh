#!/bin/sh
# Runs a command and passes only when it exits with the expected status and its output
# (standard output and error together) holds the expected text, "\n" standing for a line end.
# Usage: expect_run.sh STATUS TEXT COMMAND [ARGUMENT...]
want_status=$1
want_text=$(printf '%b_' "$2")
want_text=${want_text%_}
shift 2
# The status goes on a line of its own after the output, so trailing line ends survive. A
# Windows program ends its lines with "\r\n": they are held to the same text.
output=$({ "$@" 2>&1; printf '\n%d' "$?"; } | tr -d '\r')
status=${output##*"
"}
output=${output%"
$status"}
printf '%s\n' "$output"
if [ "$status" != "$want_status" ]; then
  echo "expect_run: exit status $status, expected $want_status" >&2
  exit 1
fi
case $output in
  *"$want_text"*) ;;
  *)
    echo "expect_run: the output lacks: $want_text" >&2
    exit 1
    ;;
esac
