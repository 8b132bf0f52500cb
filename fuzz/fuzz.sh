# Sourced by ./test and fuzz/run-long.sh (from the repository's top folder): builds the
# fuzz targets with clang in build/fuzz and runs them.

KESTREL_FUZZ_TREE=build/fuzz
# Where the logs of the runs go: ./test keeps its own, so that a short run never
# overwrites the log of a long one.
KESTREL_FUZZ_LOGS=${KESTREL_FUZZ_LOGS:-$KESTREL_FUZZ_TREE/logs}

# kestrel_fuzz_build [jobs]: configures the clang tree once and builds the targets.
kestrel_fuzz_build() {
  local jobs=${1:-$(nproc)}
  if [ ! -f "$KESTREL_FUZZ_TREE/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$KESTREL_FUZZ_TREE" -G Ninja -DKESTREL_FUZZ=ON -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF
  fi
  cmake --build "$KESTREL_FUZZ_TREE" --parallel "$jobs" --target kestrel_fuzz_targets
}

# The targets of the build, one name a line.
kestrel_fuzz_targets() {
  cat "$KESTREL_FUZZ_TREE/fuzz/targets.txt"
}

# kestrel_fuzz_run TARGET RUNS WORKDIR [libFuzzer options...]: one target from its seeds
# and regression inputs. New inputs go to WORKDIR (the repository's corpus is only
# read), a crash, leak or hang to build/fuzz/artifacts/TARGET/, the log to
# $KESTREL_FUZZ_LOGS/TARGET.log. Non-zero when libFuzzer found something.
kestrel_fuzz_run() {
  local target=$1 runs=$2 work=$3
  shift 3
  local artifacts="$KESTREL_FUZZ_TREE/artifacts/$target" log="$KESTREL_FUZZ_LOGS/$target.log"
  local inputs=("$work" "fuzz/corpus/$target")
  [ -d "fuzz/regressions/$target" ] && inputs+=("fuzz/regressions/$target")
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  # Every call of the settings store parses its whole file anew: a settings file of the
  # program is well under 1 KB, and larger inputs only slow the target down.
  [ "$target" = settings_store ] && set -- -max_len=1024 "$@"
  # -timeout: one input that runs for seconds is a hang; no run of a target needs more
  # than milliseconds.
  "$KESTREL_FUZZ_TREE/fuzz/fuzz_$target" -runs="$runs" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" "${inputs[@]}" >"$log" 2>&1
}

# The runs libFuzzer made, from a target's log.
kestrel_fuzz_runs_made() {
  sed -n 's/^stat::number_of_executed_units: *//p' "$KESTREL_FUZZ_LOGS/$1.log" | tail -1
}
