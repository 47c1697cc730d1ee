#!/usr/bin/env bash
# The uninstaller as it is shipped, for both architectures: the program without
# its symbols, at most 1 MiB, and its symbols in BriscaUninstaller.debug beside
# it, named by the program's debug link. From the shipped file alone addr2line
# finds the entry point's source line, and the frames of the running x86_64
# program, as Wine's debugger lists them for a hang or a crash, resolve to the
# framework's functions.
#
#   shipped-program.sh BUILD_ROOT      (BUILD_ROOT holds x86_64/ and i686/)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

builds=$1
readonly kShippedLimit=$((1024 * 1024))
e2e_begin shipped-program "$builds/x86_64"

for arch in x86_64 i686; do
	exe="$builds/$arch/BriscaUninstaller.exe"
	symbols="$builds/$arch/BriscaUninstaller.debug"
	[ -f "$exe" ] && [ -f "$symbols" ] || e2e_fail "$arch: the program or its symbols are not built"
	size=$(stat -c %s "$exe")
	[ "$size" -le "$kShippedLimit" ] || e2e_fail "$arch: the shipped program has $size bytes"
	sections=$("$arch-w64-mingw32-objdump" -h "$exe")
	! grep -q ' \.debug_' <<<"$sections" || e2e_fail "$arch: the shipped program holds debug sections"
	grep -q ' \.gnu_debuglink ' <<<"$sections" || e2e_fail "$arch: the shipped program has no debug link"
	[ -z "$("$arch-w64-mingw32-nm" "$exe" 2>/dev/null)" ] || e2e_fail "$arch: the shipped program keeps its symbols"
	# The entry point's address, as the symbols give it, is asked of the shipped file.
	entry=$("$arch-w64-mingw32-nm" "$symbols" | awk '$3 ~ /^_?wWinMain(@16)?$/ { print "0x" $1; exit }')
	[ -n "$entry" ] || e2e_fail "$arch: the symbols do not name wWinMain"
	line=$("$arch-w64-mingw32-addr2line" -e "$exe" "$entry")
	[[ $line == */app/main.cpp:[0-9]* ]] || e2e_fail "$arch: wWinMain resolves to \"$line\""
	e2e_log "$arch: $size bytes shipped, $(stat -c %s "$symbols") bytes of symbols beside it; wWinMain at $line"
done

e2e_make_vendor_folder Readme.txt
exe="$builds/x86_64/BriscaUninstaller.exe"
e2e_start "$exe"
e2e_wait_window
frames=$(zel_print_own_frames "$exe" "$("$E2E_WINE" winedbg --command "bt all" 2>/dev/null | tr -d '\r')")
e2e_log "the running program's frames:"
echo "$frames"
grep -q "wWinMain at .*/app/main.cpp:" <<<"$frames" || e2e_fail "no frame of wWinMain"
grep -q "BLooper::ThreadLoop() at .*/messaging/Looper.cpp:" <<<"$frames" || e2e_fail "no frame of a looper's thread"
e2e_click_child Cancel
e2e_expect_exit_code 0
e2e_log "passed"
