#!/usr/bin/env bash
# The uninstaller in a Wine prefix whose Windows font folder lacks Wine's own
# fonts, as a fresh prefix is on a machine without the project's prefix set-up:
# no Tahoma (the message font's face) and no generic sans-serif or monospace
# family, only the host's TrueType fonts. The window still shows its text at
# the text's width, buttons a label fits in, and "OK" still removes the folder.
#
#   missing-fonts.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

build=$1
exe="$build/BriscaUninstaller.exe"

# Takes back the links zel_link_wine_fonts made. The prefix has run nothing
# since, so no Wine process has seen those fonts.
unlink_wine_fonts() {
	local fonts="$WINEPREFIX/drive_c/windows/Fonts"
	find "$fonts" -maxdepth 1 -lname '/usr/share/wine/fonts/*' -delete
	[ ! -e "$fonts/tahoma.ttf" ] || e2e_fail "Tahoma is still in the prefix's font folder"
}

# expect_size_at_least TEXT WIDTH HEIGHT: the child reading TEXT is that large.
expect_size_at_least() {
	local record
	record=$(e2e_record child "$1")
	[ -n "$record" ] || e2e_fail "no child \"$1\" in the window"
	awk -F'|' -v w="$2" -v h="$3" -v text="$1" '{
		width = $6 - $4; height = $7 - $5
		if (width < w || height < h) { printf "\"%s\" is %d x %d, expected at least %d x %d\n", text, width, height, w, h; exit 1 }
	}' <<<"$record" || e2e_fail "\"$1\" is too small for its text"
}

e2e_begin uninstaller-missing-fonts "$build"
unlink_wine_fonts
e2e_make_vendor_folder Readme.txt
e2e_start "$exe"
e2e_wait_window
e2e_expect_enabled OK 1
expect_size_at_least "This utility will remove the following folder from your computer:" 251 1
expect_size_at_least OK 40 18
expect_size_at_least Cancel 40 18
# Fails when the text area holds no ink.
e2e_screenshot shown
e2e_click_child OK
e2e_expect_exit_code 0
e2e_expect_trashed Brisca
e2e_expect_exists "$(e2e_documents)/Quorvane/Readme.txt"
e2e_log "passed"
