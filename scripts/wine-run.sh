#!/usr/bin/env bash
# Runs a test program of the x86_64 build under Wine (the tests' emulator).
#
# Every test program prints before it can fail (its output is unbuffered), so a
# run that fails without a single byte of output never reached the program:
# Wine itself did not start. That run is tried once more, and says so.
#
# It runs only in a private prefix (zel_start_wine): ctest lists the tests by
# running the programs, and outside a session Wine would make ~/.wine in the
# real HOME.
if [ -z "${WINEPREFIX:-}" ]; then
	echo "wine-run: no private WINEPREFIX; run the tests through scripts/test.sh or after zel_start_wine" >&2
	exit 1
fi
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
/usr/lib/wine/wine64 "$@" >"$out" 2>"$err"
status=$?
if [ $status -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
	echo "wine-run: Wine ended with status $status before the program printed anything; running it again" >&2
	/usr/lib/wine/wine64 "$@" >"$out" 2>"$err"
	status=$?
fi
cat "$out"
cat "$err" >&2
exit $status
