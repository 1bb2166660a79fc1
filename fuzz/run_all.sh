#!/usr/bin/env bash
# Runs every fuzz target for a bounded time and fails on any crash, leak,
# timeout or failed check.
#
#   fuzz/run_all.sh [SECONDS]        (default 30 seconds per target)
#
# Builds nothing: build the targets first with
#   cmake --preset fuzz && cmake --build --preset fuzz
# FUZZ_BUILD_DIR names another build directory (default build-fuzz);
# FUZZ_JOBS how many targets run at once (default: the number of cores, at
# most 2). Each target starts from a copy of its seed corpus in
# fuzz/corpus/<target>/, so the committed corpus never grows. What a failing
# target leaves (its log and the input that failed) is kept and named.
set -u

seconds="${1:-30}"
case "$seconds" in
  '' | *[!0-9]* | 0) echo "usage: $0 [SECONDS]  (a positive number)" >&2; exit 2 ;;
esac

here="$(cd "$(dirname "$0")" && pwd)"
build="${FUZZ_BUILD_DIR:-$here/../build-fuzz}"
bin_dir="$build/fuzz"
cores="$(nproc 2>/dev/null || echo 1)"
jobs="${FUZZ_JOBS:-$(( cores < 2 ? cores : 2 ))}"

targets=()
for corpus in "$here"/corpus/*/; do
  targets+=("$(basename "$corpus")")
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "no corpus folders in $here/corpus" >&2
  exit 2
fi
for target in "${targets[@]}"; do
  if [ ! -x "$bin_dir/fuzz_$target" ]; then
    echo "missing $bin_dir/fuzz_$target: build it with 'cmake --build --preset fuzz'" >&2
    exit 2
  fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tolvaran-fuzz.XXXXXX")"

run_target() {
  local target="$1"
  local dir="$work/$target"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp -R "$here/corpus/$target/." "$dir/corpus/"
  # Leaks are found at the end of each input (LeakSanitizer with libFuzzer);
  # a check that fails aborts, which libFuzzer reports as a crash.
  "$bin_dir/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" \
    > "$dir/log" 2>&1
  echo $? > "$dir/status"
}

echo "Fuzzing ${#targets[@]} targets for $seconds s each, $jobs at a time"
running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

failed=0
printf '%-18s %12s  %s\n' target executions result
for target in "${targets[@]}"; do
  dir="$work/$target"
  status="$(cat "$dir/status" 2>/dev/null || echo '?')"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)"
  if [ "$status" = 0 ] && [ -n "$execs" ]; then
    result=ok
  else
    result="FAILED (exit status $status)"
    failed=1
  fi
  printf '%-18s %12s  %s\n' "$target" "${execs:-?}" "$result"
done

if [ "$failed" -ne 0 ]; then
  for target in "${targets[@]}"; do
    dir="$work/$target"
    [ "$(cat "$dir/status" 2>/dev/null)" = 0 ] && continue
    echo
    echo "=== $target: end of its log ($dir/log)"
    grep -v -e '^#[0-9]' -e '^INFO:' "$dir/log" | tail -n 40
    echo "=== inputs it failed on:"
    ls -1 "$dir/artifacts" 2>/dev/null | sed "s|^|  $dir/artifacts/|"
  done
  echo
  echo "fuzzing FAILED; everything is kept in $work"
  exit 1
fi
rm -rf "$work"
echo "fuzzing passed"
