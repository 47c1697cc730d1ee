#!/usr/bin/env bash
# Start to first paint: the time from starting a program under Wine until its
# window "Uninstall Brisca" is mapped and visible (xdotool search
# --onlyvisible, asked every 10 ms), for BriscaUninstaller.exe side by side with
# the bare Win32 + flat GDI+ window of BareUninstallerWindow.exe, started twice
# over: with the pass-through WH_CALLWNDPROC hook on its thread that every
# framework thread carries (--hooked), the goal's baseline, and without it, as
# information on what the hook costs.
#
#   bench/first-paint.sh [RUNS]        (15 runs of each by default, at least 10)
#
# The programs run in one sandbox (its Documents holds Quorvane\Brisca, so all
# show the folder) under the same wineserver, one warm-up start each, then in
# rounds of one start of each, the order turning round by round, each pinned to
# the same processor where taskset is there. The result is two lines:
#
#   RESULT|<name>|<median>|<baseline median>|<median of the round ratios>|<lowest>|<highest>|<goal>|<baseline lowest>|<baseline highest>
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/e2e/e2e-lib.sh"

runs=${1:-15}
[ "$runs" -ge 10 ] || runs=10
zel_install_missing >/dev/null
zel_build x86_64 BriscaUninstaller BareUninstallerWindow WindowProbe >/dev/null || e2e_fail "the build failed"
build="$ZEL_BUILD_ROOT/x86_64"
baseline="$build/bench/BareUninstallerWindow.exe"
measured="$build/BriscaUninstaller.exe"

e2e_begin first-paint "$build" >/dev/null
e2e_make_vendor_folder Readme.txt

# Both programs start on the last processor, as the other benchmarks run.
pin=()
if command -v taskset >/dev/null; then
	pin=(taskset -c "$(($(nproc) - 1))")
	echo "programs pinned to processor $(($(nproc) - 1))"
fi

# Milliseconds from the start of program $1 (with its arguments) to the visible
# window; the program is then ended and its window waited away.
time_first_paint() {
	local start end
	start=$(date +%s%N)
	"${pin[@]}" "$E2E_WINE" "$@" &
	E2E_PID=$!
	# xdotool's own --sync looks only every half second, too coarse to compare.
	local polls=0
	until xdotool search --onlyvisible --name "^$E2E_TITLE\$" >/dev/null 2>&1; do
		polls=$((polls + 1))
		[ $polls -lt 6000 ] || e2e_fail "no window from $(basename "$1") within a minute"
		sleep 0.01
	done
	end=$(date +%s%N)
	kill "$E2E_PID" 2>/dev/null
	wait "$E2E_PID" 2>/dev/null
	E2E_PID=""
	local waited=0
	while xdotool search --onlyvisible --name "^$E2E_TITLE\$" >/dev/null 2>&1 && [ $waited -lt 50 ]; do
		sleep 0.1
		waited=$((waited + 1))
	done
	echo $(((end - start) / 1000000))
}

time_first_paint "$baseline" >/dev/null
time_first_paint "$baseline" --hooked >/dev/null
time_first_paint "$measured" >/dev/null
measured_times=()
baseline_times=()
hooked_times=()
# One start of each, the order turning round by round, so that drift in the
# machine's load hits all alike.
time_one() {
	case $1 in
		0) measured_times+=("$(time_first_paint "$measured")") ;;
		1) baseline_times+=("$(time_first_paint "$baseline")") ;;
		2) hooked_times+=("$(time_first_paint "$baseline" --hooked)") ;;
	esac
}
for ((run = 0; run < runs; run++)); do
	for turn in 0 1 2; do
		time_one $(((run + turn) % 3))
	done
done
for time in "${measured_times[@]}" "${baseline_times[@]}" "${hooked_times[@]}"; do
	[[ $time =~ ^[0-9]+$ ]] || e2e_fail "a run did not show its window"
done
echo "measured (ms): ${measured_times[*]}"
echo "baseline, hooked thread (ms): ${hooked_times[*]}"
echo "baseline (ms): ${baseline_times[*]}"

# A quantile (0 the lowest, 0.5 the median, 1 the highest) of a list of numbers, one a line.
quantile() {
	sort -g | awk -v q="$1" '{ v[NR] = $1 } END {
		p = (NR - 1) * q + 1; i = int(p); f = p - i
		printf "%.3f\n", (i < NR) ? v[i] + f * (v[i + 1] - v[i]) : v[i] }'
}
# result_line NAME GOAL BASELINE_TIME...: the line of the measured times against those.
result_line() {
	local name=$1 goal=$2
	shift 2
	local ratios measured_median baseline_median
	ratios=$(paste <(printf '%s\n' "${measured_times[@]}") <(printf '%s\n' "$@") |
		awk '{ printf "%.4f\n", $1 / $2 }')
	measured_median=$(printf '%s\n' "${measured_times[@]}" | quantile 0.5)
	baseline_median=$(printf '%s\n' "$@" | quantile 0.5)
	printf 'RESULT|%s|%.0f ms|%.0f ms|%.2f|%.2f|%.2f|%s|%.0f|%.0f\n' "$name" "$measured_median" \
		"$baseline_median" "$(quantile 0.5 <<<"$ratios")" "$(quantile 0 <<<"$ratios")" "$(quantile 1 <<<"$ratios")" \
		"$goal" "$(printf '%s\n' "$@" | quantile 0)" "$(printf '%s\n' "$@" | quantile 1)"
}
result_line "start to first paint / bare window, hooked thread" "<= 1.1" "${hooked_times[@]}"
result_line "start to first paint / bare window" "-" "${baseline_times[@]}"
