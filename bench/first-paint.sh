#!/usr/bin/env bash
# Start to first paint: the time from starting a program under Wine until its
# window "Uninstall Brisca" is mapped and visible (xdotool search
# --onlyvisible, asked every 10 ms), for BriscaUninstaller.exe side by side with the bare Win32 +
# flat GDI+ window of BareUninstallerWindow.exe.
#
#   bench/first-paint.sh [RUNS]        (15 runs of each by default, at least 10)
#
# Both programs run in one sandbox (its Documents holds Quorvane\Brisca, so both
# show the folder) under the same wineserver, one warm-up start each, then in
# alternating pairs, each pinned to the same processor where taskset is there.
# The result is one line:
#
#   RESULT|<name>|<median>|<baseline median>|<median of the pair ratios>|<lowest>|<highest>|<= 1.3|<baseline lowest>|<baseline highest>
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
name="start to first paint"

e2e_begin first-paint "$build" >/dev/null
e2e_make_vendor_folder Readme.txt

# Both programs start on the last processor, as the other benchmarks run.
pin=()
if command -v taskset >/dev/null; then
	pin=(taskset -c "$(($(nproc) - 1))")
	echo "programs pinned to processor $(($(nproc) - 1))"
fi

# Milliseconds from the start to the visible window; the program is then ended
# and its window waited away.
time_first_paint() {
	local start end
	start=$(date +%s%N)
	"${pin[@]}" "$E2E_WINE" "$1" &
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
time_first_paint "$measured" >/dev/null
measured_times=()
baseline_times=()
for ((run = 0; run < runs; run++)); do
	# Alternate which goes first, so that drift in the machine's load hits both alike.
	if ((run % 2 == 0)); then
		measured_times+=("$(time_first_paint "$measured")")
		baseline_times+=("$(time_first_paint "$baseline")")
	else
		baseline_times+=("$(time_first_paint "$baseline")")
		measured_times+=("$(time_first_paint "$measured")")
	fi
done
for time in "${measured_times[@]}" "${baseline_times[@]}"; do
	[[ $time =~ ^[0-9]+$ ]] || e2e_fail "a run did not show its window"
done
echo "measured (ms): ${measured_times[*]}"
echo "baseline (ms): ${baseline_times[*]}"

# A quantile (0 the lowest, 0.5 the median, 1 the highest) of a list of numbers, one a line.
quantile() {
	sort -g | awk -v q="$1" '{ v[NR] = $1 } END {
		p = (NR - 1) * q + 1; i = int(p); f = p - i
		printf "%.3f\n", (i < NR) ? v[i] + f * (v[i + 1] - v[i]) : v[i] }'
}
ratios=$(paste <(printf '%s\n' "${measured_times[@]}") <(printf '%s\n' "${baseline_times[@]}") |
	awk '{ printf "%.4f\n", $1 / $2 }')
measured_median=$(printf '%s\n' "${measured_times[@]}" | quantile 0.5)
baseline_median=$(printf '%s\n' "${baseline_times[@]}" | quantile 0.5)
printf 'RESULT|%s|%.0f ms|%.0f ms|%.2f|%.2f|%.2f|<= 1.3|%.0f|%.0f\n' "$name" "$measured_median" \
	"$baseline_median" "$(quantile 0.5 <<<"$ratios")" "$(quantile 0 <<<"$ratios")" "$(quantile 1 <<<"$ratios")" \
	"$(printf '%s\n' "${baseline_times[@]}" | quantile 0)" "$(printf '%s\n' "${baseline_times[@]}" | quantile 1)"
