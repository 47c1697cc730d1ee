#!/usr/bin/env bash
# Runs a test program of the x86_64 build under Wine (the tests' emulator).
#
# Every test program prints before it can fail (its output is unbuffered), so a
# run that fails without a single byte of output never reached the program:
# Wine itself did not start. That run is tried once more, and says so.
#
# A program still running after ZEL_HANG_SECONDS (default 270, below the tests'
# limit of 300) is taken for hung: a backtrace of each of its threads is printed,
# then it is stopped and its output follows as usual. Without that, a hang would
# end as a timeout with no output at all, because the output is held back until
# the program ends.
#
# It runs only in a private prefix (zel_start_wine): ctest lists the tests by
# running the programs, and outside a session Wine would make ~/.wine in the
# real HOME.
if [ -z "${WINEPREFIX:-}" ]; then
	echo "wine-run: no private WINEPREFIX; run the tests through scripts/test.sh or after zel_start_wine" >&2
	exit 1
fi
hang_seconds=${ZEL_HANG_SECONDS:-270}
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# Prints the backtrace of every thread of the program named $1, then the
# functions and lines of the program's own frames.
print_threads_of() {
	local program=$1 name threads
	name=$(basename "$program")
	threads=$(/usr/lib/wine/wine64 winedbg --command "bt all" 2>/dev/null | tr -d '\r' |
		awk -v name="$name" '/^Backtracing for thread/ { mine = index($0, name) > 0 } mine')
	printf '%s\n' "$threads"
	echo "wine-run: the program's frames (the byte before each return address):"
	grep -o "0x[0-9a-f]* in ${name%.exe} (+" <<<"$threads" | awk '{ print $1 }' | sort -u |
		while read -r address; do printf '0x%x\n' $((address - 1)); done |
		x86_64-w64-mingw32-addr2line -a -f -C -p -e "$program"
}

# Stops the program with pid $1 (named $2) once it has run for hang_seconds.
watch_for_hang() {
	local pid=$1 program=$2
	for ((second = 0; second < hang_seconds; second++)); do
		sleep 1 </dev/null >/dev/null 2>&1
		kill -0 "$pid" 2>/dev/null || return 0
	done
	{
		echo "wine-run: $(basename "$program") still running after ${hang_seconds} s: hung. Its threads:"
		print_threads_of "$program"
	} >&2
	# Wine's processes do not end on SIGTERM.
	kill -KILL "$pid" 2>/dev/null
}

run_program() {
	/usr/lib/wine/wine64 "$@" >"$out" 2>"$err" &
	local pid=$!
	watch_for_hang "$pid" "$1" &
	local watcher=$!
	wait "$pid"
	local status=$?
	kill "$watcher" 2>/dev/null
	wait "$watcher" 2>/dev/null
	return $status
}

run_program "$@"
status=$?
if [ $status -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
	echo "wine-run: Wine ended with status $status before the program printed anything; running it again" >&2
	run_program "$@"
	status=$?
fi
cat "$out"
cat "$err" >&2
exit $status
