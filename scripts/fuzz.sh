#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS each, two at a time, starting from its seed corpus in
# tests/fuzz/corpus/<target>/ (new inputs go to a scratch folder, so the repository's seeds stay as
# they are), and prints each target's run count and result. A crash leaves its input in out/fuzz/.
# First it brings the fuzz build up to date (scripts/build.sh fuzz), building it if it is missing.
#   scripts/fuzz.sh 600        ten minutes per target
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS}
artifacts=$PWD/out/fuzz
mkdir -p "$artifacts"
scratch=$(mktemp -d /tmp/quarlo-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# cmake rebuilds only what changed, so an up-to-date build costs a second or two.
[ -d build/fuzz ] || echo "building the fuzz targets first (scripts/build.sh fuzz)" >&2
if ! bash scripts/build.sh fuzz >"$scratch/build.log" 2>&1; then
  tail -40 "$scratch/build.log" >&2
  echo "the fuzz build failed: nothing was run" >&2
  exit 2
fi
targets=(build/fuzz/tests/fuzz/fuzz_*)
if [ ! -x "${targets[0]}" ]; then
  echo "the fuzz build made no targets in build/fuzz/tests/fuzz" >&2
  exit 2
fi

run() {
  local target=$1 name
  name=$(basename "$target")
  mkdir -p "$scratch/$name"
  local seeds=tests/fuzz/corpus/${name#fuzz_}
  [ -d "$seeds" ] || seeds=
  local status=0
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" "$scratch/$name" ${seeds:+"$seeds"} >"$scratch/$name.log" 2>&1 ||
    status=$?
  local runs
  runs=$(grep -o 'number_of_executed_units: *[0-9]*' "$scratch/$name.log" | grep -o '[0-9]*$' || true)
  if [ "$status" -eq 0 ]; then
    echo "$name: ok, ${runs:-?} runs in $seconds s"
  else
    echo "$name: FAILED (exit $status) after ${runs:-?} runs; input in $artifacts"
    tail -40 "$scratch/$name.log"
  fi
  return "$status"
}

failed=0
pids=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
  if [ "${#pids[@]}" -ge 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit "$failed"
