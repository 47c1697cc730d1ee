#!/usr/bin/env bash
# One end-to-end case of the removal in a layout that could take it outside
# the folder it removes, or in which it cannot complete, in a sandbox of its
# own: the window says why a folder is left alone, a message box says what a
# removal that did not complete left, and the exit code tells a script.
#
#   removal-hazards.sh CASE BUILD_DIR
#
# Under Wine the shell's move to the trash moves a link's target, and a
# permanent delete follows links and, past 260 characters, runs on in the
# working folder. Every case is therefore contained: every link target lies in
# the sandbox, the prefix has no z: drive (which maps /), the program starts in
# a scratch working folder holding canary files, and the sandbox's outside tree
# and the working folder are compared by hash after "OK".
# Exit status 0 passed, 1 failed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

case_name=$1
build=$(cd "$2" && pwd)
exe="$build/BriscaUninstaller.exe"

vendor() { echo "$(e2e_documents)/Quorvane"; }

# Files, folders and link targets by hash; links are listed, never followed.
tree_print() {
	(
		cd "$1" || exit 1
		find . -printf '%p %y %s %l\n' | LC_ALL=C sort
		find . -type f -print0 | LC_ALL=C sort -z | xargs -0r md5sum
	) | md5sum
}

# The sandbox's outside tree (every link target), the working folder with its
# canaries, and the prefix without its z: drive. The working folder is mapped
# to w:, so that the program's current folder is a Windows path at all.
contain() {
	OUTSIDE="$E2E_SANDBOX/outside"
	WORK="$E2E_SANDBOX/work"
	mkdir -p "$OUTSIDE/folder/inner" "$OUTSIDE/vendor" "$WORK/canaries"
	printf 'outside\r\n' >"$OUTSIDE/folder/inner/keep.txt"
	printf 'outside file\r\n' >"$OUTSIDE/file.txt"
	printf 'canary\r\n' >"$WORK/canary.txt"
	printf 'canary\r\n' >"$WORK/canaries/deep.txt"
	rm -f "$WINEPREFIX/dosdevices/z:"
	[ ! -e "$WINEPREFIX/dosdevices/z:" ] || e2e_fail "the prefix still has a z: drive"
	ln -s "$WORK" "$WINEPREFIX/dosdevices/w:"
	OUTSIDE_PRINT=$(tree_print "$OUTSIDE")
	WORK_PRINT=$(tree_print "$WORK")
	# Run from inside the sandbox, so that not even the program's own folder lies outside it.
	cp "$exe" "$WINEPREFIX/drive_c/" || e2e_fail "$exe is not built"
	exe="$WINEPREFIX/drive_c/$(basename "$exe")"
	cd "$WORK" || e2e_fail "no working folder"
}

expect_contained() {
	[ "$(tree_print "$OUTSIDE")" = "$OUTSIDE_PRINT" ] || e2e_fail "the outside tree changed"
	[ "$(tree_print "$WORK")" = "$WORK_PRINT" ] || e2e_fail "the working folder changed"
	e2e_log "outside tree and working folder unchanged"
}

# Documents and the trash as they were when the window was shown.
documents_print() { echo "$(tree_print "$(e2e_documents)") $(tree_print "$(e2e_trash)")"; }
remember_documents() { DOCUMENTS_PRINT=$(documents_print); }
expect_documents_unchanged() {
	[ "$(documents_print)" = "$DOCUMENTS_PRINT" ] || e2e_fail "Documents or the trash changed"
}

# A trash that cannot take anything: its files folder is a file.
break_trash() {
	local trash
	trash=$(e2e_trash)
	rmdir "$trash/files" && printf 'not a folder\n' >"$trash/files"
}

expect_line() {
	[ -n "$(e2e_record child "$1")" ] || e2e_fail "no line reads \"$1\""
}

# The documented exit codes.
EXIT_DONE=0
EXIT_NOTHING_REMOVED=1
EXIT_REFUSED=3

# expect_refused REASON SUFFIX: the folder ending in SUFFIX is there but left
# alone: the window gives the reason in place of the explanatory line, shows
# the path, and "OK" is disabled, so that a click on it does nothing. "Cancel"
# then ends the program with the refusal's code, and nothing changed.
expect_refused() {
	remember_documents
	e2e_start "$exe"
	e2e_wait_window
	e2e_screenshot shown
	expect_line "This utility will not remove the following folder, because $1:"
	e2e_expect_path_line "$2"
	e2e_expect_enabled OK 0
	e2e_click_child OK
	e2e_expect_running 1
	e2e_click_child Cancel
	e2e_expect_exit_code $EXIT_REFUSED 10
	expect_contained
	expect_documents_unchanged
}

show_listed_window() {
	e2e_start "$exe"
	e2e_wait_window
	expect_line "This utility will remove the following folder from your computer:"
	e2e_expect_enabled OK 1
	e2e_screenshot shown
}

# expect_failure_reported FIRST_LINE SUFFIX [keyboard]: after "OK" a message
# box opens over the window; its text begins with FIRST_LINE, names the folder
# ending in SUFFIX and says that nothing was removed. Answered (with the mouse,
# or with Enter), it ends the program with the code for "nothing removed", and
# Documents and the trash are as they were.
expect_failure_reported() {
	e2e_click_child OK
	e2e_wait_message_box
	e2e_message_box_text | head -1 | grep -Fxq -- "$1" || e2e_fail "the message box does not begin with \"$1\""
	local suffix=${2//\\/\\\\}
	e2e_expect_message_box_line "^[A-Z]:\\\\.*${suffix}\$"
	e2e_expect_message_box_line '^Nothing was removed\.$'
	kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended before the message was answered"
	if [ "${3:-}" = keyboard ]; then
		e2e_answer_message_box_with_keyboard
	else
		e2e_answer_message_box_with_mouse
	fi
	e2e_expect_exit_code $EXIT_NOTHING_REMOVED 10
	expect_contained
	expect_documents_unchanged
}

NOT_MOVED="This folder could not be moved to the Recycle Bin:"
CHANGED="The folders changed since this window opened, so this folder was not removed:"

case_control() {
	e2e_make_vendor_folder Other/
	show_listed_window
	e2e_click_child OK
	e2e_expect_no_message_box
	e2e_expect_exit_code $EXIT_DONE 10
	e2e_expect_trashed Brisca
	e2e_expect_exists "$(e2e_trash)/files/Brisca/Saves/one.sav"
	e2e_expect_missing "$(vendor)/Brisca"
	e2e_expect_exists "$(vendor)/Other"
	expect_contained
}

case_cancel() {
	e2e_make_vendor_folder Other/
	remember_documents
	show_listed_window
	e2e_click_child Cancel
	e2e_expect_no_message_box
	e2e_expect_exit_code $EXIT_DONE 10
	expect_contained
	expect_documents_unchanged
}

case_product_links_to_outside_folder() {
	mkdir -p "$(vendor)/Other"
	ln -s "$OUTSIDE/folder" "$(vendor)/Brisca"
	expect_refused "it is a link to another place" '\Quorvane\Brisca'
}

case_vendor_links_to_outside_folder() {
	mkdir -p "$OUTSIDE/vendor/Brisca/Saves"
	printf 'game\r\n' >"$OUTSIDE/vendor/Brisca/Saves/one.sav"
	OUTSIDE_PRINT=$(tree_print "$OUTSIDE")
	ln -s "$OUTSIDE/vendor" "$(vendor)"
	expect_refused "it is a link to another place" '\Documents\Quorvane'
}

# The vendor folder holds only the product, so it is the folder in question.
case_product_links_to_documents() {
	mkdir -p "$(vendor)"
	printf 'mine\r\n' >"$(e2e_documents)/letter.txt"
	ln -s "$(e2e_documents)" "$(vendor)/Brisca"
	expect_refused "it holds a link to another place" '\Documents\Quorvane'
}

case_product_links_to_outside_file() {
	mkdir -p "$(vendor)/Other"
	ln -s "$OUTSIDE/file.txt" "$(vendor)/Brisca"
	expect_refused "it is a link to another place" '\Quorvane\Brisca'
}

case_product_is_a_file() {
	mkdir -p "$(vendor)/Other"
	printf 'not the product folder\r\n' >"$(vendor)/Brisca"
	expect_refused "it is a file, not a folder" '\Quorvane\Brisca'
}

# The one case in which the trash itself has to refuse: the folder is listed,
# and after "OK" it is still there, whole, and the user is told so.
case_trash_unusable() {
	e2e_make_vendor_folder Other/
	break_trash
	remember_documents
	show_listed_window
	expect_failure_reported "$NOT_MOVED" '\Quorvane\Brisca'
}

case_read_only() {
	e2e_make_vendor_folder Other/
	chmod 555 "$(vendor)/Brisca"
	remember_documents
	show_listed_window
	expect_failure_reported "$NOT_MOVED" '\Quorvane\Brisca' keyboard
}

case_trash_unusable_links_inside() {
	e2e_make_vendor_folder Other/
	ln -s "$OUTSIDE/folder" "$(vendor)/Brisca/Saves/folder"
	ln -s "$OUTSIDE/file.txt" "$(vendor)/Brisca/notes.txt"
	break_trash
	expect_refused "it holds a link to another place" '\Quorvane\Brisca'
}

# Three nested names of 90 characters take the Windows path well past 260.
case_trash_unusable_long_path() {
	e2e_make_vendor_folder Other/
	local name deep
	name=$(printf 'd%.0s' $(seq 90))
	deep="$(vendor)/Brisca/$name/$name/$name"
	mkdir -p "$deep"
	printf 'deep\r\n' >"$deep/save.dat"
	break_trash
	expect_refused "it holds a path too long to handle safely" '\Quorvane\Brisca'
}

case_trash_unusable_link_to_vendor() {
	e2e_make_vendor_folder Other/
	ln -s .. "$(vendor)/Brisca/vendor"
	break_trash
	expect_refused "it holds a link to another place" '\Quorvane\Brisca'
}

case_new_entry_while_open() {
	e2e_make_vendor_folder
	show_listed_window
	mkdir "$(vendor)/NewProduct"
	printf 'new\r\n' >"$(vendor)/NewProduct/new.dat"
	remember_documents
	expect_failure_reported "$CHANGED" '\Documents\Quorvane'
}

case_product_turns_into_link_while_open() {
	e2e_make_vendor_folder Other/
	show_listed_window
	mv "$(vendor)/Brisca" "$E2E_SANDBOX/moved-away"
	ln -s "$OUTSIDE/folder" "$(vendor)/Brisca"
	remember_documents
	expect_failure_reported "$CHANGED" '\Quorvane\Brisca' keyboard
}

e2e_select_case "$case_name"
e2e_begin "removal-$case_name" "$build"
contain
"$E2E_CASE_FUNCTION"
e2e_log "passed"
