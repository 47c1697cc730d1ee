#!/usr/bin/env bash
# Builds the benchmark programs and runs each under Wine in a private prefix.
# Every program prints its figures beside a baseline measured in the same run;
# the window benchmarks run on Xvfb when there is no display.
set -euo pipefail
source "$(dirname "$0")/common.sh"

zel_install_missing
zel_build x86_64 LockerBench LooperBench MessageBench VectorBench StringViewPaintBench

trap zel_stop_wine EXIT
zel_start_display
zel_start_wine
for bench in LockerBench LooperBench MessageBench VectorBench StringViewPaintBench; do
	echo "== $bench"
	/usr/lib/wine/wine64 "$ZEL_BUILD_ROOT/x86_64/bench/$bench.exe"
done

echo "== start to first paint"
"$(dirname "$0")/../bench/first-paint.sh"
