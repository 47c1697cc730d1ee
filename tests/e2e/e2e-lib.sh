# End-to-end steps for the uninstall window, shared by the test cases, the
# run command and the start-to-first-paint benchmark. Sourced, not run.
#
# A case runs one Windows program under Wine in a sandbox of its own: a private
# HOME whose Documents and XDG trash folders exist before the Wine prefix's first
# boot (so Documents is HOME/Documents and deletions with undo go to the trash),
# and a private WINEPREFIX with its own wineserver. It drives the program with
# real X input (xdotool), asks WindowProbe.exe where the native children are,
# takes screenshots, and checks the files, the exit code and the real HOME.
# Every wait has a deadline; a failed step ends the case with status 1.

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/common.sh"

E2E_TITLE="Uninstall Brisca"
E2E_WINE=/usr/lib/wine/wine64
E2E_PROBE=""
E2E_SHOTS=""
E2E_CASE=case
E2E_PID=""
E2E_PROGRAM=""
E2E_STATUS=""
E2E_LISTING=""
E2E_BOX_LISTING=""
E2E_REAL_HOME_PRINT=""

e2e_log() { echo "[$E2E_CASE] $*"; }

e2e_fail() {
	echo "[$E2E_CASE] FAILED: $*" >&2
	exit 1
}

# The home directory of the account, whatever HOME says now (the test command
# itself may run in a private HOME).
e2e_real_home() {
	getent passwd "$(id -un)" | cut -d: -f6
}

# What the program could change in a home: its top-level names, and everything
# under Documents and the trash.
e2e_home_print() {
	local home=$1
	{
		ls -A "$home" 2>/dev/null
		for sub in Documents .local/share/Trash; do
			[ -d "$home/$sub" ] && find "$home/$sub" -printf '%P %s %T@\n' 2>/dev/null | sort
		done
	} | md5sum
}

# e2e_begin CASE BUILD_DIR: the sandbox, the display and a booted prefix.
e2e_begin() {
	E2E_CASE=$1
	local build=$2
	E2E_PROBE="$build/tests/tools/WindowProbe.exe"
	E2E_SHOTS="$build/e2e-artifacts"
	mkdir -p "$E2E_SHOTS"
	[ -f "$E2E_PROBE" ] || e2e_fail "WindowProbe.exe is not built ($E2E_PROBE)"
	local real_home
	real_home=$(e2e_real_home)
	E2E_REAL_HOME_PRINT=$(e2e_home_print "$real_home")

	E2E_SANDBOX=$(mktemp -d /tmp/zel-e2e.XXXXXX)
	export HOME="$E2E_SANDBOX/home"
	export WINEPREFIX="$E2E_SANDBOX/prefix"
	export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
	unset XDG_DATA_HOME
	[ "$HOME" != "$real_home" ] || e2e_fail "the sandbox HOME is the real HOME"
	mkdir -p "$HOME/Documents" "$HOME/.local/share/Trash/files" "$HOME/.local/share/Trash/info" "$WINEPREFIX"
	trap e2e_end EXIT

	zel_start_display || e2e_fail "no X display"
	wineserver -p
	local attempt
	for attempt in 1 2; do
		timeout 120 "$E2E_WINE" wineboot -i >/dev/null 2>&1 && break
		[ "$attempt" = 2 ] && e2e_fail "the Wine prefix did not boot"
	done
	zel_link_wine_fonts
	zel_configure_prefix
	e2e_log "sandbox $E2E_SANDBOX (HOME and WINEPREFIX), display $DISPLAY"
}

# Ends the program if it still runs, stops the sandbox's wineserver, checks that
# the real HOME is as it was, and removes the sandbox.
e2e_end() {
	local status=$?
	if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
		kill "$E2E_PID" 2>/dev/null
		wait "$E2E_PID" 2>/dev/null
	fi
	[ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
	[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
	if [ -n "$E2E_REAL_HOME_PRINT" ] && [ "$(e2e_home_print "$(e2e_real_home)")" != "$E2E_REAL_HOME_PRINT" ]; then
		echo "[$E2E_CASE] FAILED: the real HOME changed" >&2
		status=1
	fi
	if [ "$status" -ne 0 ] && [ -s "${E2E_SANDBOX:-}/program.log" ]; then
		echo "[$E2E_CASE] the program's output:" >&2
		cat "$E2E_SANDBOX/program.log" >&2
	fi
	case "${E2E_SANDBOX:-}" in /tmp/zel-e2e.*) rm -rf "$E2E_SANDBOX" ;; esac
	exit $status
}

e2e_documents() { echo "$HOME/Documents"; }
e2e_trash() { echo "$HOME/.local/share/Trash"; }

# e2e_start EXE: starts the program; its exit status is kept by e2e_wait_exit.
e2e_start() {
	[ -f "$1" ] || e2e_fail "$1 is not built"
	"$E2E_WINE" "$1" >"$E2E_SANDBOX/program.log" 2>&1 &
	E2E_PID=$!
	E2E_PROGRAM=$1
	e2e_log "started $(basename "$1") (process $E2E_PID)"
}

e2e_probe() {
	"$E2E_WINE" "$E2E_PROBE" "$@" | tr -d '\r'
	return "${PIPESTATUS[0]}"
}

# Waits for the window to be shown, then lists it and its children into
# E2E_LISTING and the log.
e2e_wait_window() {
	local deadline_ms=${1:-30000}
	e2e_probe wait "$E2E_TITLE" "$deadline_ms" >/dev/null ||
		e2e_fail "no window \"$E2E_TITLE\" within $((deadline_ms / 1000)) s"
	e2e_list
}

e2e_list() {
	E2E_LISTING=$(e2e_probe list "$E2E_TITLE" 5000) || e2e_fail "the window \"$E2E_TITLE\" is gone"
	echo "$E2E_LISTING" | sed "s/^/[$E2E_CASE]   /"
}

# e2e_record KIND [TEXT]: the first line of the listing of that kind (and, for
# children, that window text).
e2e_record() {
	local kind=$1 text=${2:-}
	if [ "$kind" = child ]; then
		awk -F'|' -v text="$text" '$1 == "child" && $3 == text { print; exit }' <<<"$E2E_LISTING"
	else
		awk -F'|' -v kind="$kind" '$1 == kind { print; exit }' <<<"$E2E_LISTING"
	fi
}

# The centre "X Y" of the child with that text.
e2e_child_centre() {
	local record
	record=$(e2e_record child "$1")
	[ -n "$record" ] || e2e_fail "no child \"$1\" in the window"
	awk -F'|' '{ printf "%d %d\n", ($4 + $6) / 2, ($5 + $7) / 2 }' <<<"$record"
}

# 1 when the child with that text is enabled, 0 when not.
e2e_child_enabled() {
	local record
	record=$(e2e_record child "$1")
	[ -n "$record" ] || e2e_fail "no child \"$1\" in the window"
	cut -d'|' -f8 <<<"$record"
}

e2e_click_at() {
	xdotool mousemove "$1" "$2" click 1
	sleep 0.3
}

# Presses a native child by its place on the screen, as a person does.
e2e_click_child() {
	local centre
	centre=$(e2e_child_centre "$1") || exit 1
	e2e_log "clicking \"$1\" at $centre"
	# shellcheck disable=SC2086
	e2e_click_at $centre
}

e2e_click_close_box() {
	local centre
	centre=$(e2e_record close | awk -F'|' '{ print $2, $3 }')
	[ -n "$centre" ] || e2e_fail "the window has no close box"
	e2e_log "clicking the close box at $centre"
	# shellcheck disable=SC2086
	e2e_click_at $centre
}

# e2e_expect_path_line SUFFIX: a child of the window reads a Windows path
# ending in SUFFIX.
e2e_expect_path_line() {
	SUFFIX=$1 awk -F'|' '$1 == "child" { n = length(ENVIRON["SUFFIX"])
		if ($3 ~ /^[A-Z]:\\/ && substr($3, length($3) - n + 1) == ENVIRON["SUFFIX"]) found = 1 }
		END { exit !found }' <<<"$E2E_LISTING" || e2e_fail "no native window reads a path ending in $1"
}

# e2e_expect_enabled TEXT 0|1
e2e_expect_enabled() {
	local enabled
	enabled=$(e2e_child_enabled "$1") || exit 1
	[ "$enabled" = "$2" ] || e2e_fail "\"$1\" has enabled=$enabled, expected $2"
}

# Keys go to the window with the X focus: a click 3 pixels inside the client
# area puts it there. The click also takes the pointer off the buttons, whose
# look follows the pointer.
e2e_focus_window() {
	local left top
	read -r left top < <(e2e_record client | awk -F'|' '{ print $2 + 3, $3 + 3 }')
	e2e_click_at "$left" "$top"
	sleep 0.3
}

e2e_keys() {
	e2e_focus_window
	e2e_log "typing $*"
	xdotool key --delay 100 "$@"
	sleep 0.3
}

# e2e_screenshot STATE [LISTING]: saves the screen as CASE-STATE.png in the
# artifacts folder, prints its path, and fails when the text area of the window
# listed (the client area above the buttons; the uninstall window unless
# another listing is given) is blank: one colour, or no dark ink at all.
e2e_screenshot() {
	local shot="$E2E_SHOTS/$E2E_CASE-$1.png"
	local listing=${2:-$E2E_LISTING}
	sleep 0.3
	import -window root "$shot" || e2e_fail "no screenshot"
	e2e_log "screenshot: $shot"
	local client buttons_top geometry
	client=$(awk -F'|' '$1 == "client" { print; exit }' <<<"$listing")
	[ -n "$client" ] || return 0
	buttons_top=$(awk -F'|' '$1 == "child" && $2 == "Button" { print $5 }' <<<"$listing" | sort -n | head -1)
	geometry=$(awk -F'|' -v bottom="${buttons_top:-0}" '{
		if (bottom <= $3) bottom = $5
		printf "%dx%d+%d+%d", $4 - $2, bottom - $3, $2, $3 }' <<<"$client")
	local colours darkest
	read -r colours darkest < <(convert "$shot" -crop "$geometry" +repage -colorspace Gray \
		-format '%k %[fx:minima]\n' info:)
	e2e_log "text area $geometry: $colours colours, darkest $darkest"
	if [ "${colours:-1}" -lt 2 ] || awk -v d="${darkest:-1}" 'BEGIN { exit !(d > 0.5) }'; then
		e2e_fail "the text area of $shot is blank"
	fi
}

# e2e_wait_message_box [MILLISECONDS]: waits for the program's message box (a
# dialog captioned as its window), lists it into E2E_BOX_LISTING and the log,
# and keeps a screenshot of it as CASE-message.png.
e2e_wait_message_box() {
	local deadline_ms=${1:-30000}
	E2E_BOX_LISTING=$(e2e_probe box "$E2E_TITLE" "$deadline_ms") ||
		e2e_fail "no message box \"$E2E_TITLE\" within $((deadline_ms / 1000)) s"
	echo "$E2E_BOX_LISTING" | sed "s/^/[$E2E_CASE]   box /"
	e2e_screenshot message "$E2E_BOX_LISTING"
}

# No message box opens within that many seconds (default 2).
e2e_expect_no_message_box() {
	local deadline_ms=$(( ${1:-2} * 1000 ))
	if e2e_probe box "$E2E_TITLE" "$deadline_ms" >/dev/null 2>&1; then
		e2e_fail "a message box opened"
	fi
}

# The message box's text, as screen readers read it (its Static child), with
# its line breaks.
e2e_message_box_text() {
	awk -F'|' '$1 == "child" && $2 == "Static" && $3 != "" { print $3; exit }' <<<"$E2E_BOX_LISTING" |
		sed -e 's/%0D//g' -e 's/%0A/\n/g' -e 's/%7C/|/g' -e 's/%25/%/g'
}

# e2e_expect_message_box_line PATTERN: a line of the box's text matches the
# extended regular expression.
e2e_expect_message_box_line() {
	e2e_message_box_text | grep -Eq -- "$1" || e2e_fail "no line of the message box matches $1"
}

# Answers the box with its one button, clicked as a person clicks.
e2e_answer_message_box_with_mouse() {
	local centre
	centre=$(awk -F'|' '$1 == "child" && $2 == "Button" { printf "%d %d\n", ($4 + $6) / 2, ($5 + $7) / 2; exit }' \
		<<<"$E2E_BOX_LISTING")
	[ -n "$centre" ] || e2e_fail "the message box has no button"
	e2e_log "clicking the message box's button at $centre"
	# shellcheck disable=SC2086
	e2e_click_at $centre
}

# Answers the box with Enter, after a click 3 pixels inside its client area
# gave it the X focus.
e2e_answer_message_box_with_keyboard() {
	local left top
	read -r left top < <(awk -F'|' '$1 == "client" { print $2 + 3, $3 + 3; exit }' <<<"$E2E_BOX_LISTING")
	e2e_click_at "$left" "$top"
	e2e_log "typing Return in the message box"
	xdotool key Return
	sleep 0.3
}

# e2e_wait_exit [SECONDS]: waits for the program to end; its status goes to E2E_STATUS.
e2e_wait_exit() {
	local seconds=${1:-20}
	local waited=0
	while kill -0 "$E2E_PID" 2>/dev/null; do
		[ "$waited" -ge $((seconds * 10)) ] && e2e_fail "the program still runs after $seconds s"
		sleep 0.1
		waited=$((waited + 1))
	done
	wait "$E2E_PID"
	E2E_STATUS=$?
	E2E_PID=""
	e2e_log "the program ended with exit code $E2E_STATUS"
	if zel_output_shows_crash "$E2E_SANDBOX/program.log"; then
		{
			echo "[$E2E_CASE] the program's frames (the byte before each return address):"
			zel_print_own_frames "$E2E_PROGRAM" "$(tr -d '\r' <"$E2E_SANDBOX/program.log")"
		} >&2
		e2e_fail "the program crashed"
	fi
}

e2e_expect_exit_code() {
	e2e_wait_exit "${2:-20}"
	[ "$E2E_STATUS" = "$1" ] || e2e_fail "exit code $E2E_STATUS, expected $1"
}

# e2e_expect_running SECONDS: the program is still there after that long.
e2e_expect_running() {
	sleep "$1"
	kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended"
	e2e_probe wait "$E2E_TITLE" 1000 >/dev/null || e2e_fail "the window is gone"
}

e2e_expect_exists() { [ -e "$1" ] || e2e_fail "$1 is missing"; }
e2e_expect_missing() { [ ! -e "$1" ] || e2e_fail "$1 still exists"; }

# The trash holds the entry (under its own name) and its .trashinfo.
e2e_expect_trashed() {
	local trash
	trash=$(e2e_trash)
	e2e_expect_exists "$trash/files/$1"
	e2e_expect_exists "$trash/info/$1.trashinfo"
}

e2e_expect_trash_empty() {
	local trash
	trash=$(e2e_trash)
	[ -z "$(ls -A "$trash/files")" ] || e2e_fail "the trash holds: $(ls -A "$trash/files")"
}

# e2e_select_case NAME: names the script's function for the case NAME
# (case_NAME, dashes as underscores) in E2E_CASE_FUNCTION; a name the script
# has no case for ends it with status 2, before any sandbox is made.
e2e_select_case() {
	E2E_CASE_FUNCTION="case_${1//-/_}"
	declare -F "$E2E_CASE_FUNCTION" >/dev/null || {
		echo "unknown case $1" >&2
		exit 2
	}
}

# e2e_make_vendor_folder [OTHER...]: Documents\Quorvane\Brisca with a few files,
# and the other entries named beside it (a name ending in / is a folder).
e2e_make_vendor_folder() {
	local vendor
	vendor="$(e2e_documents)/Quorvane"
	mkdir -p "$vendor/Brisca/Saves"
	printf 'brisca\r\n' >"$vendor/Brisca/brisca.ini"
	printf 'game one\r\n' >"$vendor/Brisca/Saves/one.sav"
	local other
	for other in "$@"; do
		case "$other" in
		*/) mkdir -p "$vendor/$other" ;;
		*) printf 'other\r\n' >"$vendor/$other" ;;
		esac
	done
}
