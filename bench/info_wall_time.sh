#!/usr/bin/env bash
# The wall time of `kestrel -info` for two builds of the program, in one run:
#   bench/info_wall_time.sh OLD_KESTREL NEW_KESTREL [RUNS]
# Each build keeps its own settings folder from run to run, as a user's does, and the
# two are run in turn so that both meet the same load of a shared machine. Prints the
# median of each and their ratio.
set -euo pipefail
old=$1 new=$2 runs=${3:-40}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-info-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old" "$work/new"

run() {  # run BINARY FOLDER -> milliseconds
  local start end
  start=$(date +%s%N)
  KESTREL_CONFIG_HOME=$2 "$1" -info "$2/list.txt" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

run "$old" "$work/old" >/dev/null  # the settings file exists from here on
run "$new" "$work/new" >/dev/null
for ((i = 0; i < runs; i++)); do
  run "$old" "$work/old" >>"$work/old.times"
  run "$new" "$work/new" >>"$work/new.times"
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] / 1000 }'; }
o=$(median "$work/old.times") n=$(median "$work/new.times")
awk -v o="$o" -v n="$n" -v r="$runs" \
  'BEGIN { printf "kestrel -info wall time (median of %d): old %.1f ms, new %.1f ms, ratio %.2f\n", r, o, n, o / n }'
