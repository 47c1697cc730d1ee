#!/usr/bin/env bash
# Runs a test program of the x86_64 build under Wine (the tests' emulator).
#
# Every test program prints before it can fail (its output is unbuffered), so a
# run that fails without a single byte of output never reached the program:
# Wine itself did not start. That run is tried once more, and says so.
#
# Wine 8's wineserver has been seen to crash (a segmentation fault of the
# server, not of any program) in about one full test run of four; the program
# running then hangs or fails for want of its server. When the session's
# server log (zel_start_wineserver) or the program's own output says that the
# server crashed, the program is stopped, the server started again, and the
# program run once more, with a line saying so. A second crash fails the run.
#
# A program still running after ZEL_HANG_SECONDS (default 200: the longest tests
# take about 130 s on a loaded machine, and the backtraces need up to a minute
# before the tests' limit of 300 s) is taken for hung: a backtrace of each of its
# threads is printed, then it is stopped and its output follows as usual.
# Without that, a hang would end as a timeout with no output at all, because the
# output is held back until the program ends. A program that crashes ends at
# once with Wine's backtrace; its own frames are added and the run fails.
#
# It runs only in a private prefix (zel_start_wine): ctest lists the tests by
# running the programs, and outside a session Wine would make ~/.wine in the
# real HOME.
if [ -z "${WINEPREFIX:-}" ]; then
	echo "wine-run: no private WINEPREFIX; run the tests through scripts/test.sh or after zel_start_wine" >&2
	exit 1
fi
source "$(dirname "$0")/common.sh"
hang_seconds=${ZEL_HANG_SECONDS:-200}
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# Prints the backtrace of every thread of the program named $1, then its own frames.
print_threads_of() {
	local program=$1 threads
	threads=$(/usr/lib/wine/wine64 winedbg --command "bt all" 2>/dev/null | tr -d '\r' |
		awk -v name="$(basename "$program")" '/^Backtracing for thread/ { mine = index($0, name) > 0 } mine')
	printf '%s\n' "$threads"
	echo "wine-run: the program's frames (the byte before each return address):"
	zel_print_own_frames "$program" "$threads"
}

readonly kServerCrashed="wineserver crashed"
readonly kSessionRestarted="wine-run: session restarted"
server_log=${ZEL_WINESERVER_LOG:-}

server_log_size() {
	if [ -n "$server_log" ]; then stat -c %s "$server_log" 2>/dev/null || echo 0; else echo 0; fi
}

# Whether the server crashed since its log had $1 bytes, or while the program ran.
server_crashed_since() {
	{ [ -n "$server_log" ] && tail -c +"$(($1 + 1))" "$server_log" 2>/dev/null | grep -q "$kServerCrashed"; } ||
		grep -q "$kServerCrashed" "$err" 2>/dev/null
}

# Stops the program with pid $1 (named $2) when the server crashes under it, or
# once it has run for hang_seconds.
watch_program() {
	local pid=$1 program=$2 log_size=$3
	for ((second = 0; second < hang_seconds; second++)); do
		sleep 1 </dev/null >/dev/null 2>&1
		kill -0 "$pid" 2>/dev/null || return 0
		if server_crashed_since "$log_size"; then
			# Wine's processes do not end on SIGTERM.
			kill -KILL "$pid" 2>/dev/null
			return 0
		fi
	done
	{
		echo "wine-run: $(basename "$program") still running after ${hang_seconds} s: hung. Its threads:"
		print_threads_of "$program"
	} >&2
	kill -KILL "$pid" 2>/dev/null
}

# Runs the program; answers its status, or 255 with server_crashed set when the
# server crashed while it ran.
run_program() {
	server_crashed=false
	local log_size
	log_size=$(server_log_size)
	/usr/lib/wine/wine64 "$@" >"$out" 2>"$err" &
	local pid=$!
	watch_program "$pid" "$1" "$log_size" &
	local watcher=$!
	wait "$pid" 2>/dev/null  # a program stopped here is reported below, not by the shell
	local status=$?
	kill "$watcher" 2>/dev/null
	wait "$watcher" 2>/dev/null
	if server_crashed_since "$log_size"; then
		server_crashed=true
		return 255
	fi
	return $status
}

# The Wine processes of this prefix that started before the second $1: the
# programs of a crashed server, which outlive it and stop the next server's
# windows from working.
stop_processes_of_crashed_server() {
	local crash_time=$1 now pid
	now=$(date +%s)
	ps -eo pid=,etimes= | while read -r pid age; do
		[ $((now - age)) -le "$crash_time" ] || continue
		[[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] || continue
		tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
		kill -KILL "$pid" 2>/dev/null
	done
}

# After a crash of the server: the crashed server's programs stopped, a new
# server, and the session's programs (services, the desktop) started on it.
# Both programs of a parallel run see the crash; the one that comes second
# finds the session already restarted.
restart_session() {
	[ -n "$server_log" ] || return 0
	(
		flock 9
		local crashes restarts
		crashes=$(grep -c "$kServerCrashed" "$server_log")
		restarts=$(grep -c "^$kSessionRestarted" "$server_log")
		if [ "$restarts" -lt "$crashes" ]; then
			stop_processes_of_crashed_server "$(stat -c %Y "$server_log")"
			# The server and the programs it starts must not inherit the lock.
			zel_start_wineserver 9>&-
			/usr/lib/wine/wine64 wineboot >/dev/null 2>&1 9>&-
			# What the session set in the registry may not have been saved yet.
			zel_configure_prefix 9>&-
			echo "$kSessionRestarted" >>"$server_log"
		fi
	) 9>>"$server_log.lock"
}

run_program "$@"
status=$?
if $server_crashed; then
	echo "wine-run: the wineserver crashed while $(basename "$1") ran; starting the server again and running the program once more" >&2
	restart_session
	run_program "$@"
	status=$?
	$server_crashed && echo "wine-run: the wineserver crashed again" >&2
elif [ $status -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
	echo "wine-run: Wine ended with status $status before the program printed anything; running it again" >&2
	run_program "$@"
	status=$?
fi
cat "$out"
cat "$err" >&2
if zel_output_shows_crash "$out" "$err"; then
	{
		echo "wine-run: the program's frames (the byte before each return address):"
		zel_print_own_frames "$1" "$(cat "$out" "$err")"
	} >&2
	echo "wine-run: $(basename "$1") crashed" >&2
	[ $status -ne 0 ] || status=1
fi
exit $status
