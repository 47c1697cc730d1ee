#!/usr/bin/env bash
# Runs one Windows program in a private HOME and Wine prefix whose display
# resolution is DPI (LogPixels, read by every program once the prefix's
# wineserver restarts), on a display of its own.
#
#   at-dpi.sh DPI PROGRAM [ARGUMENTS...]
set -uo pipefail
source "$(dirname "$0")/common.sh"

dpi=$1
shift
trap zel_stop_wine EXIT
unset DISPLAY
zel_start_display || exit 1
zel_start_wine || exit 1
/usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
	exit 1
wineserver -k
wineserver -w
wineserver -p
"$(dirname "$0")/wine-run.sh" "$@"
