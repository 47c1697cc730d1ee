#!/usr/bin/env bash
# Builds the benchmark programs, runs each under Wine in a private prefix and
# ends with one table: every figure beside its baseline from the same run, the
# ratio (median of alternating rounds, with the rounds' spread), the goal and
# whether it is met. The table is also written as CSV, with a bar chart of the
# ratios against their goals, under <build>/x86_64/bench-results/.
#
#   scripts/bench.sh [program ...]    (every program of bench/ by default)
#
# A program prints its figures as lines
#   RESULT|name|figure|baseline|ratio median|spread low|spread high|goal
# (bench/BenchResult.h); a goal reads "<= 1.0", ">= 0.8", or "-" for none.
# The window benchmarks run on Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/common.sh"

programs=("$@")
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
for program in "${programs[@]}"; do
	if ! run_program "$program" 2>&1 | tee -a "$log"; then
		failed+=("$program")
	fi
done

# The table, the CSV and the chart's data, each from the result lines: a goal
# is met when the ratio's median meets it.
csv="$results/bench-results.csv"
chart="$results/bench-ratios.png"
plotted="$results/bench-ratios.dat"
table="$results/bench-table.txt"
grep -a '^RESULT|' "$log" | tr -d '\r' | awk -F'|' -v csv="$csv" -v plotted="$plotted" '
	function quote(text) { gsub(/"/, "\"\"", text); return "\"" text "\"" }
	BEGIN {
		OFS = "|"
		print "benchmark", "figure", "baseline", "ratio", "spread", "goal", "met"
		print "benchmark,figure,baseline,ratio,spread low,spread high,goal,met" >csv
		printf "" >plotted
	}
	{
		split($8, goal, " ")
		met = "-"
		if (goal[1] == "<=") met = ($5 + 0 <= goal[2] + 0) ? "yes" : "NO"
		if (goal[1] == ">=") met = ($5 + 0 >= goal[2] + 0) ? "yes" : "NO"
		print $2, $3, $4, $5, $6 " - " $7, $8, met
		print quote($2) "," quote($3) "," quote($4) "," $5 "," $6 "," $7 "," quote($8) "," met >csv
		if (met != "-")
			printf "%s %s %s %s %s\n", quote($2), $5, $6, $7, goal[2] >plotted
	}' >"$table"

# One bar per ratio that has a goal, its goal as a mark beside it.
rm -f "$chart"
if [ -s "$plotted" ]; then
	bars=$(wc -l <"$plotted")
	gnuplot <<-EOF
		set terminal pngcairo size 1200,$((200 + 40 * bars)) noenhanced font "sans,10"
		set output "$chart"
		set title "Benchmark ratios (framework / baseline of the same run) against their goals"
		set style fill solid 0.6 border -1
		set yrange [-0.5:$bars - 0.5]
		set offsets 0, 0.5, 0, 0
		set xlabel "ratio (bar: median; whiskers: the rounds' spread)"
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
echo "== Results (ratio = framework / baseline, median of the rounds; spread = lowest and highest round)"
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
