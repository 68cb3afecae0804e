#!/bin/sh
# Runs a command, sends it SIGINT (Ctrl-C) once its standard output holds a given line, and
# passes only when it then exits with the expected status and its output ends with the
# expected closing line.
# Usage: interrupt_run.sh STATUS LINE CLOSING_LINE COMMAND [ARGUMENT...]
want_status=$1
wait_line=$2
closing=$3
shift 3
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>/dev/null &
pid=$!
# The line comes once the job runs, so the command's own Ctrl-C handling is in place.
until grep -qxF "$wait_line" "$out"; do
  if ! kill -0 "$pid" 2>/dev/null; then
    cat "$out"
    echo "interrupt_run: the command ended before printing \"$wait_line\"" >&2
    exit 1
  fi
  sleep 0.1
done
kill -INT "$pid"
wait "$pid"
status=$?
cat "$out"
if [ "$status" != "$want_status" ]; then
  echo "interrupt_run: exit status $status, expected $want_status" >&2
  exit 1
fi
if [ "$(tail -n 1 "$out")" != "$closing" ]; then
  echo "interrupt_run: the output does not end with \"$closing\"" >&2
  exit 1
fi
