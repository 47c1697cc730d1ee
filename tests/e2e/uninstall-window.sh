#!/usr/bin/env bash
# One end-to-end case of the uninstall window, in a sandbox of its own.
#
#   uninstall-window.sh PROGRAM CASE BUILD_DIR
#
# PROGRAM is "uninstaller" (BriscaUninstaller.exe) or "bare" (the bare Win32
# window of bench/, which shows the same window and never deletes anything).
# Screenshots go to BUILD_DIR/e2e-artifacts. Exit status 0 passed, 1 failed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

program=$1
case_name=$2
build=$3

case "$program" in
uninstaller) exe="$build/BriscaUninstaller.exe" ;;
bare) exe="$build/bench/BareUninstallerWindow.exe" ;;
*)
	echo "unknown program $program" >&2
	exit 2
	;;
esac

vendor() { echo "$(e2e_documents)/Quorvane"; }

# Nothing was removed: the product folder and its files are where they were,
# and the trash is empty.
expect_untouched() {
	e2e_expect_exists "$(vendor)/Brisca/brisca.ini"
	e2e_expect_exists "$(vendor)/Brisca/Saves/one.sav"
	e2e_expect_trash_empty
}

# The uninstaller's lines are drawn with GDI+; each also carries its text as
# window text, so that screen readers and automation can read them. The bare
# window only draws its text.
expect_readable() {
	[ "$program" = uninstaller ] || return 0
	[ -n "$(e2e_record child "$1")" ] || e2e_fail "no native window reads \"$1\""
}

# expect_readable_path SUFFIX: a line reads a Windows path ending in SUFFIX.
expect_readable_path() {
	[ "$program" = uninstaller ] || return 0
	e2e_expect_path_line "$1"
}

show_window() {
	e2e_start "$exe"
	e2e_wait_window
	e2e_expect_enabled OK 1
	e2e_expect_enabled Cancel 1
	expect_readable "This utility will remove the following folder from your computer:"
	e2e_screenshot shown
}

case_ok_removes_product() {
	e2e_make_vendor_folder Readme.txt Tools/
	show_window
	expect_readable_path '\Documents\Quorvane\Brisca'
	e2e_click_child OK
	e2e_expect_exit_code 0
	e2e_expect_trashed Brisca
	e2e_expect_missing "$(vendor)/Brisca"
	e2e_expect_exists "$(vendor)/Readme.txt"
	e2e_expect_exists "$(vendor)/Tools"
}

case_ok_removes_vendor() {
	e2e_make_vendor_folder
	show_window
	expect_readable_path '\Documents\Quorvane'
	e2e_click_child OK
	e2e_expect_exit_code 0
	e2e_expect_trashed Quorvane
	e2e_expect_missing "$(vendor)"
}

case_cancel() {
	e2e_make_vendor_folder Readme.txt
	show_window
	e2e_click_child Cancel
	e2e_expect_exit_code 0
	expect_untouched
}

case_alt_f4() {
	e2e_make_vendor_folder Readme.txt
	show_window
	e2e_keys alt+F4
	e2e_expect_exit_code 0
	expect_untouched
}

case_close_box() {
	e2e_make_vendor_folder Readme.txt
	show_window
	e2e_click_close_box
	e2e_expect_exit_code 0
	expect_untouched
}

# Without the folder "OK" is disabled: a click on it leaves the window open.
case_empty() {
	e2e_start "$exe"
	e2e_wait_window
	e2e_expect_enabled OK 0
	expect_readable "There are no folders to remove."
	e2e_screenshot shown
	e2e_click_child OK
	e2e_expect_running 1
	e2e_click_child Cancel
	e2e_expect_exit_code 0
	e2e_expect_trash_empty
}

case_keyboard() {
	e2e_make_vendor_folder Readme.txt
	show_window
	e2e_keys Tab space
	e2e_expect_exit_code 0
	e2e_expect_trashed Brisca
	e2e_expect_exists "$(vendor)/Readme.txt"
}

# Alt+'?' and Alt+'/' change nothing on the screen and close nothing.
case_accelerators() {
	e2e_make_vendor_folder Readme.txt
	show_window
	# Compared with the window as it looks once focused, so that only the
	# keys can make a difference.
	e2e_focus_window
	e2e_screenshot focused
	e2e_keys alt+question alt+slash
	e2e_screenshot after-keys
	local window
	window=$(e2e_record window | awk -F'|' '{ printf "%dx%d+%d+%d", $5 - $3, $6 - $4, $3, $4 }')
	local state
	for state in focused after-keys; do
		convert "$E2E_SHOTS/$E2E_CASE-$state.png" -crop "$window" +repage "$E2E_SANDBOX/$state.png"
	done
	local changed
	changed=$(compare -metric AE "$E2E_SANDBOX/focused.png" "$E2E_SANDBOX/after-keys.png" null: 2>&1)
	[ "$changed" = 0 ] || e2e_fail "the keys changed $changed pixels of the window"
	e2e_expect_running 0.5
	e2e_click_child Cancel
	e2e_expect_exit_code 0
	expect_untouched
}

e2e_select_case "$case_name"
e2e_begin "$program-$case_name" "$build"
"$E2E_CASE_FUNCTION"
e2e_log "passed"
