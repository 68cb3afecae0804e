#!/usr/bin/env bash
# Fuzzes each target of the fuzz preset for SECONDS (default 20), starting from its seed corpus
# in tests/fuzz/corpus (left unchanged: new inputs go to a scratch folder). An input that fails
# is kept in build/fuzz/artifacts; the run then ends with status 1 after the other targets.
# Targets run side by side, one per processor.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (build first: ./scripts/test.sh fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
shift || true
bin=build/fuzz/tests/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$bin"/fuzz_*; do
    [ -x "$f" ] && targets+=("$(basename "$f")")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets in $bin; run ./scripts/test.sh fuzz first" >&2
  exit 1
fi
mkdir -p build/fuzz/artifacts
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# One target: its line of result in $scratch/$t.result, its status as the function's.
fuzz_one() {
  local t=$1 log="build/fuzz/artifacts/$1.log"
  mkdir -p "$scratch/$t"
  # -timeout: an input slower than 10 s is a fault (a command must cost what its reply costs).
  if "$bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$t-" "$scratch/$t" "tests/fuzz/corpus/$t" \
      >"$log" 2>&1; then
    echo "fuzz.sh: $t: clean for ${seconds} s ($(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo '?') runs)" >"$scratch/$t.result"
  else
    { echo "fuzz.sh: $t: FAILED, see $log"; tail -n 30 "$log"; } >"$scratch/$t.result"
    return 1
  fi
}
# As many targets at once as there are processors: each still fuzzes for SECONDS on one core.
slots=$(nproc)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n || true; done
  fuzz_one "$t" &
done
wait || true
failed=()
for t in "${targets[@]}"; do
  if grep -q "^fuzz.sh: $t: clean" "$scratch/$t.result" 2>/dev/null; then
    cat "$scratch/$t.result"
  else
    cat "$scratch/$t.result" >&2 2>/dev/null || echo "fuzz.sh: $t: no result" >&2
    failed+=("$t")
  fi
done
[ ${#failed[@]} -eq 0 ]
