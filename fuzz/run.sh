#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, each from its seeds and the inputs it found before,
# and prints the executions and time of each. Fails when a target found a fault; the input that
# found it is kept as fault-<target>-* in the build folder.
set -uo pipefail
bin=$(cd "$1" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1
status=0
printf '%-20s %12s %8s %s\n' target executions seconds result
for target in fuzz_open fuzz_paste fuzz_sourcecommit fuzz_ftplisting fuzz_commands; do
  corpus=$bin/corpus-$target
  mkdir -p "$corpus"
  seeds=()
  [ -d "$here/seeds/$target" ] && seeds=("$here/seeds/$target")
  start=$(date +%s)
  (cd "$bin" && "./$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len=65536 \
     -print_final_stats=1 -artifact_prefix="fault-$target-" "$corpus" "${seeds[@]}") > "$bin/$target.log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$bin/$target.log" | grep -o '[0-9]*$' | tail -1)
  result=ok
  if [ $rc -ne 0 ]; then result="FAULT (see $bin/$target.log)"; status=1; fi
  printf '%-20s %12s %8s %s\n' "$target" "${runs:-?}" "$(( $(date +%s) - start ))" "$result"
done
exit $status
