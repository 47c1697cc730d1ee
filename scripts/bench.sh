#!/usr/bin/env bash
# Builds the benchmark programs, runs each under Wine in a private prefix and
# ends with one table: every figure beside its baseline from the same run, the
# ratio (median of alternating rounds, with the rounds' spread), the goal and
# whether it is met. The table is also written as CSV, with a bar chart of the
# ratios against their goals, under <build>/x86_64/bench-results/.
#
#   scripts/bench.sh [--runs N] [program ...]    (3 runs of every program of bench/ by default)
#
# A goal is held, and the table says "yes", only when the median meets it in
# every run: a figure that passes in one run and fails in the next is noise.
# The table shows the median of the runs' medians, each run's median, the
# lowest and highest round over all runs, and the baseline's own median with
# the lowest and highest of its rounds, so that a swinging baseline shows.
#
# A program prints its figures as lines
#   RESULT|name|figure|baseline|ratio median|spread low|spread high|goal|baseline low|baseline high
# (bench/BenchResult.h); a goal reads "<= 1.0", ">= 0.8", or "-" for none.
# Each program keeps its threads on one processor (bench/BenchPinning.h).
# The window benchmarks run on Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/common.sh"

runs=3
programs=()
while [ $# -gt 0 ]; do
	case "$1" in
		--runs)
			runs=${2:-}
			[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "--runs needs a count" >&2; exit 2; }
			shift 2
			;;
		*)
			programs+=("$1")
			shift
			;;
	esac
done
if [ ${#programs[@]} -eq 0 ]; then
	programs=(LockerBench LooperBench MessageBench VectorBench StringWidthBench MouseDispatchBench
	          OffscreenPaintBench StringViewPaintBench first-paint)
fi

zel_install_missing
executables=()
for program in "${programs[@]}"; do
	[ "$program" = first-paint ] || executables+=("$program")
done
[ ${#executables[@]} -eq 0 ] || zel_build x86_64 "${executables[@]}"

results="$ZEL_BUILD_ROOT/x86_64/bench-results"
mkdir -p "$results"
log="$results/bench-output.txt"
: >"$log"

trap zel_stop_wine EXIT
zel_start_display
zel_start_wine

run_program() {
	local program=$1
	echo "== $program"
	if [ "$program" = first-paint ]; then
		# It makes a sandbox and a wineserver of its own.
		"$root/bench/first-paint.sh"
	else
		/usr/lib/wine/wine64 "$ZEL_BUILD_ROOT/x86_64/bench/$program.exe"
	fi
}

failed=()
for ((run = 1; run <= runs; run++)); do
	echo "=== run $run of $runs" | tee -a "$log"
	for program in "${programs[@]}"; do
		if ! run_program "$program" 2>&1 | tee -a "$log"; then
			failed+=("$program (run $run)")
		fi
	done
done

# Every result line of the output, with the number of its run in front.
results_of_runs="$results/bench-results-by-run.txt"
tr -d '\r' <"$log" | awk '/^=== run / { run = $3 } /^RESULT\|/ { print run "|" $0 }' >"$results_of_runs"

# The table, the CSV and the chart's data, each from the result lines of all
# runs, rows in the order of their first appearance: the ratio shown is the
# median of the runs' medians, and a goal is met when every run's median meets it.
csv="$results/bench-results.csv"
chart="$results/bench-ratios.png"
plotted="$results/bench-ratios.dat"
table="$results/bench-table.txt"
awk -F'|' -v runs="$runs" -v csv="$csv" -v plotted="$plotted" '
	function quote(text) { gsub(/"/, "\"\"", text); return "\"" text "\"" }
	function meets(value, goal,    part) {
		split(goal, part, " ")
		if (part[1] == "<=") return value + 0 <= part[2] + 0
		if (part[1] == ">=") return value + 0 >= part[2] + 0
		return -1
	}
	function median(list,    values, n, i, j, swap) {
		n = split(list, values, " ")
		for (i = 2; i <= n; i++)
			for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; j--) {
				swap = values[j]; values[j] = values[j - 1]; values[j - 1] = swap
			}
		return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
	}
	function lower(a, b) { return a == "" || b + 0 < a + 0 ? b : a }
	function higher(a, b) { return a == "" || b + 0 > a + 0 ? b : a }
	{
		name = $3
		if (!(name in seen)) { seen[name] = ++rows; order[rows] = name }
		medians[name] = medians[name] (medians[name] == "" ? "" : " ") $6
		figures[name] = $4; baselines[name] = $5; goals[name] = $9
		low[name] = lower(low[name], $7); high[name] = higher(high[name], $8)
		if ($10 != "") { baseLow[name] = lower(baseLow[name], $10); baseHigh[name] = higher(baseHigh[name], $11) }
		if (meets($6, $9) == 1) held[name]++
		counted[name]++
	}
	END {
		OFS = "|"
		print "benchmark", "figure", "baseline (lowest-highest round)", "ratio", "runs", "spread", "goal", "met"
		print "benchmark,figure,baseline,baseline low,baseline high,ratio,run medians,spread low,spread high,goal,met" >csv
		printf "" >plotted
		for (r = 1; r <= rows; r++) {
			name = order[r]
			ratio = sprintf("%.3f", median(medians[name]))
			met = "-"
			if (meets(ratio, goals[name]) != -1)
				met = (held[name] == counted[name] && counted[name] == runs ? "yes " : "NO ") held[name] + 0 "/" runs
			baseline = baselines[name]
			if (name in baseLow) baseline = baseline " (" baseLow[name] "-" baseHigh[name] ")"
			print name, figures[name], baseline, ratio, medians[name], low[name] " - " high[name], goals[name], met
			print quote(name) "," quote(figures[name]) "," quote(baselines[name]) "," quote(baseLow[name]) "," \
				quote(baseHigh[name]) "," ratio "," quote(medians[name]) "," low[name] "," high[name] "," \
				quote(goals[name]) "," quote(met) >csv
			if (met != "-") {
				split(goals[name], goal, " ")
				printf "%s %s %s %s %s\n", quote(name), ratio, low[name], high[name], goal[2] >plotted
			}
		}
	}' "$results_of_runs" >"$table"

# One bar per ratio that has a goal, its goal as a mark beside it.
rm -f "$chart"
if [ -s "$plotted" ]; then
	bars=$(wc -l <"$plotted")
	gnuplot <<-EOF
		set terminal pngcairo size 1200,$((200 + 40 * bars)) noenhanced font "sans,10"
		set output "$chart"
		set title "Benchmark ratios (framework / baseline of the same run) against their goals, $runs runs"
		set style fill solid 0.6 border -1
		set yrange [-0.5:$bars - 0.5]
		set offsets 0, 0.5, 0, 0
		set xlabel "ratio (bar: median of the runs' medians; whiskers: lowest and highest round)"
		set key outside top center horizontal
		set grid x
		set lmargin 58
		plot "$plotted" using (\$2 / 2):0:(\$2 / 2):(0.35):yticlabels(1) with boxxyerror lc rgb "#4a7ab5" title "ratio", \
		     "" using 2:0:3:4 with xerrorbars lc rgb "black" pt 0 notitle, \
		     "" using 5:0 with points pt 5 ps 1.6 lc rgb "#d2322d" title "goal"
	EOF
fi
rm -f "$plotted"

echo
echo "== Results of $runs runs (ratio = framework / baseline: the median of the runs' medians; runs = each run's"
echo "   median; spread = lowest and highest round of all runs; met = the goal held by the median of every run)"
column -t -s'|' -o'  ' "$table"
rm -f "$table"
echo
echo "CSV:    $csv"
[ -f "$chart" ] && echo "chart:  $chart"
echo "output: $log"
if [ ${#failed[@]} -ne 0 ]; then
	echo "did not finish: ${failed[*]}" >&2
	exit 1
fi
