#!/bin/sh
# Usage: interrupt_run.sh STATUS LINE CLOSING_LINE COMMAND...: sends the command SIGINT once its
# output holds LINE (its Ctrl-C handling is then in place); passes when it exits with STATUS and
# its output ends with CLOSING_LINE, or with CLOSING_LINE and then its "coverage:" line.
status=$1 line=$2 closing=$3
shift 3
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>/dev/null &
until grep -qxF "$line" "$out"; do kill -0 $! 2>/dev/null || exit 1; sleep 0.1; done
kill -INT $!
wait $!
got=$?
cat "$out"
last=$(grep -v '^coverage: ' "$out" | tail -n 1)
[ "$got" = "$status" ] && [ "$last" = "$closing" ]
