#!/usr/bin/env bash
# scripts/soak.sh [N]: runs the concurrency, looper, application, window-life,
# window-thread and native-dispatch tests N times (default 20) under CPU load,
# and says how many runs failed and which tests failed in them.
#
# The load is a busy process for every two processors (at least one) beside
# the tests, on top of the busy threads that the lives tests start themselves:
# races that an idle machine hides show up here. Everything runs in one private prefix and on one
# private display, as scripts/test.sh does.
set -euo pipefail
source "$(dirname "$0")/common.sh"

runs=${1:-20}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [N]   (N runs, default 20)" >&2; exit 2; }

# Program, then the tests it runs.
readonly SOAKED=(
	"kernel_tests ThreadLoop.*"
	"messaging_tests Concurrent*:Looper*:Application*"
	"interface_tests WindowLives.*:NativeWindowLeaks.*:WindowThreadsTest.*:NativeDispatch.*"
)
# A run of one program that takes longer than this has hung.
readonly PROGRAM_LIMIT=300

zel_install_missing
zel_build x86_64 kernel_tests messaging_tests interface_tests >/dev/null

load_pids=()
stop_load() {
	for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
	load_pids=()
}
trap 'stop_load; zel_stop_wine' EXIT
zel_start_display
zel_start_wine

busy=$(( $(nproc) / 2 ))
for _ in $(seq "$(( busy > 0 ? busy : 1 ))"); do
	(while :; do :; done) &
	load_pids+=($!)
done

cd "$ZEL_BUILD_ROOT/x86_64/tests"
failed_runs=0
declare -A failures=()
log=$(mktemp)
for run in $(seq "$runs"); do
	run_failed=0
	for entry in "${SOAKED[@]}"; do
		read -r program filter <<<"$entry"
		status=0
		timeout "$PROGRAM_LIMIT" /usr/lib/wine/wine64 "$program.exe" --gtest_filter="$filter" >"$log" 2>&1 || status=$?
		failed=$(tr -d '\r' <"$log" | sed -n 's/^\[  FAILED  \] \([^ ]*\) (.*/\1/p')
		if [ "$status" -eq 124 ]; then
			failed="$failed $program(hung)"
		elif [ "$status" -ne 0 ] && [ -z "$failed" ]; then
			failed="$program(exit $status)"
		fi
		for name in $failed; do
			failures[$name]=$((${failures[$name]:-0} + 1))
			run_failed=1
		done
	done
	failed_runs=$((failed_runs + run_failed))
	echo "run $run of $runs: $([ $run_failed -eq 0 ] && echo passed || echo FAILED)"
done
rm -f "$log"

echo "soak: $failed_runs of $runs runs failed"
for name in "${!failures[@]}"; do
	echo "  $name failed in ${failures[$name]} run(s)"
done
[ "$failed_runs" -eq 0 ]
