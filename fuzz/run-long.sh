#!/usr/bin/env bash
# Runs the fuzz targets for longer than ./test does: RUNS runs each, every target (or
# the ones named), KESTREL_FUZZ_JOBS targets at a time (default 4, one core each, so
# that the machine keeps cores for building). Each target's working corpus stays in
# build/fuzz/corpus/<target> and grows from one long run to the next. At the end it
# prints the runs each target made and what it found; non-zero if anything.
#
#   fuzz/run-long.sh RUNS [TARGET...]      e.g. fuzz/run-long.sh 10000000
#
# A finding is in build/fuzz/artifacts/<target>/ and the log in build/fuzz/logs/; replay
# one with build/fuzz/fuzz/fuzz_<target> <file>. Once it is fixed, keep the input in
# fuzz/regressions/<target>/, where the ordinary tests replay it.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/setup.sh
kestrel_install_packages
. fuzz/fuzz.sh

runs=${1:?usage: fuzz/run-long.sh RUNS [TARGET...]}
shift
jobs=${KESTREL_FUZZ_JOBS:-4}
kestrel_fuzz_build "$jobs"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(kestrel_fuzz_targets)

running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  echo "fuzzing $target ($runs runs)"
  rm -f "$KESTREL_FUZZ_TREE/logs/$target.rc"
  (
    rc=0
    kestrel_fuzz_run "$target" "$runs" "$KESTREL_FUZZ_TREE/corpus/$target" || rc=$?
    echo "$rc" >"$KESTREL_FUZZ_TREE/logs/$target.rc"
  ) &
  running=$((running + 1))
done
wait || true

failed=0
for target in "${targets[@]}"; do
  log="$KESTREL_FUZZ_TREE/logs/$target.log"
  outcome=clean
  if [ "$(cat "$KESTREL_FUZZ_TREE/logs/$target.rc" 2>/dev/null)" != 0 ]; then
    outcome="FOUND: $(sed -n 's/.*Test unit written to //p' "$log" | tail -1) (see $log)"
    failed=1
  fi
  printf '%-16s %12s runs  %s\n' "$target" "$(kestrel_fuzz_runs_made "$target")" "$outcome"
done
exit $failed
