#!/usr/bin/env bash
# Installs what is missing, builds, and runs the uninstaller under Wine in a
# sandbox: a private HOME and WINEPREFIX whose Documents holds a demo
# Quorvane\Brisca. Nothing outside the sandbox is touched.
#
# With a display, you use the window; afterwards the command says what happened
# (the demo folder went to the sandbox's trash, or is still in place). Without
# one, it runs under Xvfb, waits for the window, saves a screenshot and prints
# its path, presses "Cancel" and reports that nothing was removed.
#
#   scripts/run.sh          the uninstaller
#   scripts/run.sh --bare   the same, with the bare Win32 window of bench/ (a
#                           stand-in that shows the same window and never
#                           deletes anything)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/e2e/e2e-lib.sh"

program=uninstaller
[ "${1:-}" = "--bare" ] && program=bare

zel_install_missing || e2e_fail "installing the packages failed"
zel_build i686 BriscaUninstaller >/dev/null || e2e_fail "the i686 build failed"
zel_build x86_64 BriscaUninstaller BareUninstallerWindow WindowProbe >/dev/null || e2e_fail "the x86_64 build failed"
build="$ZEL_BUILD_ROOT/x86_64"
shipped="$ZEL_BUILD_ROOT/i686/BriscaUninstaller.exe"
echo "Built the uninstaller:"
echo "  the file to ship (32-bit, $(($(stat -c %s "$shipped") / 1024)) KiB): $shipped"
echo "  its symbols, kept beside it and not shipped: $ZEL_BUILD_ROOT/i686/BriscaUninstaller.debug"
echo "  64-bit build (runs here under Wine): $build/BriscaUninstaller.exe"

if [ "$program" = uninstaller ]; then
	exe="$build/BriscaUninstaller.exe"
else
	exe="$build/bench/BareUninstallerWindow.exe"
fi

interactive=0
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && interactive=1

e2e_begin "run-$program" "$build"
e2e_make_vendor_folder Readme.txt
demo="$(e2e_documents)/Quorvane"
trash=$(e2e_trash)
echo "Demo folder: $demo"
find "$demo" -mindepth 1 | sed "s|^$demo/|  |"

e2e_start "$exe"
if [ "$interactive" = 1 ]; then
	echo "The window \"$E2E_TITLE\" is open on $DISPLAY: choose OK, Cancel or close it."
	wait "$E2E_PID"
	status=$?
	E2E_PID=""
	echo "The program ended with exit code $status."
else
	e2e_wait_window
	e2e_screenshot window
	echo "Screenshot of the window: $E2E_SHOTS/$E2E_CASE-window.png"
	e2e_click_child Cancel
	e2e_expect_exit_code 0
fi

if [ -e "$trash/files/Brisca" ] || [ -e "$trash/files/Quorvane" ]; then
	echo "Removed: the demo folder is now in the sandbox's trash:"
	ls -A "$trash/files" | sed 's/^/  /'
elif [ -e "$demo/Brisca/brisca.ini" ] && [ -e "$demo/Brisca/Saves/one.sav" ]; then
	echo "Nothing was removed: $demo/Brisca is still in place."
else
	e2e_fail "the demo folder is gone, but not to the trash"
fi
