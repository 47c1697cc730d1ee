#!/usr/bin/env bash
# Counts the requests that reach the wine server per event, for the framework
# and for the baselines of a benchmark: a mouse move (MouseDispatchBench: a
# bare window procedure on a thread with and without the hook every framework
# thread carries) and a ping-pong round trip (LooperBench). Unlike the timings, these counts do not
# depend on the machine's load.
#
#   bench/server-requests.sh [--list]
#
# Each program runs in its counting mode (one round of N events on each side)
# on a wine server started with its debug output on, which logs every request
# with the id of the thread that made it; the program names its threads in
# lines THREAD|side|id. Every
# program runs twice, with a small and a larger N, and the count per event is
# the difference of the two runs' counts over the difference of their N, so
# that what the threads do once (start-up, windows made, the end) falls out.
# Each row gives the side and its count per event; with --list, the same
# request by request, most frequent first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/common.sh"

list=false
[ "${1:-}" = "--list" ] && list=true
readonly kSmall=50 kLarge=250

zel_install_missing
zel_build x86_64 MouseDispatchBench LooperBench >/dev/null
trap zel_stop_wine EXIT
zel_start_display
zel_start_wine

work=$(mktemp -d)
trap 'rm -rf "$work"; zel_stop_wine' EXIT
# The session's server again, now logging its requests.
wineserver -k
wineserver -w
wineserver -p -f -d1 2>"$work/server.log" &

# Runs program $1 with option $2 and count $3; its output goes to $work/$3.out,
# what the server logged meanwhile to $work/$3.log.
run_counted() {
	local before
	before=$(stat -c %s "$work/server.log")
	/usr/lib/wine/wine64 "$ZEL_BUILD_ROOT/x86_64/bench/$1.exe" "$2" "$3" >"$work/$3.out" 2>/dev/null
	tail -c +$((before + 1)) "$work/server.log" >"$work/$3.log"
	tr -d '\r' <"$work/$3.out" >"$work/$3.tmp" && mv "$work/$3.tmp" "$work/$3.out"
	grep -q "^EVENTS|$3\$" "$work/$3.out" || { echo "$1 did not finish its $3 events" >&2; exit 1; }
}

# The requests (not the replies) that threads of side $2 made in the run of $1 events.
requests_of_side() {
	local ids
	ids=$(awk -F'|' -v side="$2" '$1 == "THREAD" && $2 == side { print $3 }' "$work/$1.out" | paste -sd'|')
	grep -E "^($ids): [a-z_]+\(" "$work/$1.log" | grep -v ') = ' || true
}

# The requests of side $2 in the run of $1 events, by name: count and name a line.
requests_by_name() {
	requests_of_side "$1" "$2" | sed -E 's/^[0-9a-f]+: ([a-z_]+)\(.*/\1/' | sort | uniq -c
}

count_program() {
	local program=$1 option=$2 unit=$3 side small large
	run_counted "$program" "$option" "$kSmall"
	run_counted "$program" "$option" "$kLarge"
	# The sides in the order the program names them.
	awk -F'|' '$1 == "THREAD" && !seen[$2]++ { print $2 }' "$work/$kLarge.out" >"$work/sides"
	while read -r side; do
		small=$(requests_of_side "$kSmall" "$side" | wc -l)
		large=$(requests_of_side "$kLarge" "$side" | wc -l)
		awk -v p="$program" -v s="$side" -v u="$unit" -v a="$small" -v b="$large" -v n=$((kLarge - kSmall)) \
			'BEGIN { printf "%-20s %-22s %6.2f requests per %s\n", p, s, (b - a) / n, u }'
		if $list; then
			# Per event as above, request by request; the ones that stay below
			# 0.05 an event are what start-up and the end happened to differ by.
			join -1 2 -2 2 -a 1 -a 2 -e 0 -o 0,1.1,2.1 <(requests_by_name "$kSmall" "$side" | sort -k2) \
				<(requests_by_name "$kLarge" "$side" | sort -k2) |
				awk -v n=$((kLarge - kSmall)) '{ d = ($3 - $2) / n; if (d >= 0.05 || d <= -0.05) printf "%7.2f  %s\n", d, $1 }' |
				sort -rn | sed 's/^/    /'
		fi
	done <"$work/sides"
}

count_program MouseDispatchBench --count-moves "mouse move"
count_program LooperBench --count-round-trips "round trip"
