#!/usr/bin/env bash
# The uninstaller at a display scale other than 100 %, in a sandbox of its own.
#
#   display-scale.sh DPI BUILD_DIR
#
# The same prefix shows the window first at 96 DPI, then at DPI (LogPixels in
# the prefix, read by every program once its wineserver restarts). At DPI the
# window's client area and every native child are their 96-DPI rectangles
# times DPI/96; every line's ink lies inside its view; the folder's path is
# drawn heavier than the explanatory line, and as wide as at 96 DPI times
# DPI/96 (text squeezed into its view sets its glyphs against each other);
# "OK" is pressed at its scaled place and removes the folder. The screenshots
# stay in BUILD_DIR/e2e-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

dpi=$1
build=$2
exe="$build/BriscaUninstaller.exe"
line="This utility will remove the following folder from your computer:"

# The client area and the children of a listing, one a line in the listing's
# order, with their screen rectangles: "KIND LEFT TOP RIGHT BOTTOM". The
# window's place on the screen scales with everything else.
rects_of() {
	awk -F'|' '$1 == "client" { print "client", $2, $3, $4, $5 }
		$1 == "child" { print $2, $4, $5, $6, $7 }' <<<"$1"
}

# expect_scaled REFERENCE SCALED: each rectangle of the scaled listing is its
# reference rectangle times the scale, edge by edge: within 1 pixel for the
# client area (whole units at 96 DPI), within 2 for children, whose 96-DPI
# edges were themselves truncated from fractional units.
expect_scaled() {
	local failures
	failures=$(paste -d' ' <(rects_of "$1") <(rects_of "$2") | awk -v dpi="$dpi" '
		NF != 10 || $1 != $6 { print "the children differ: " $0; next }
		{
			slack = $1 == "client" ? 1 : 2
			for (i = 2; i <= 5; i++) {
				want = $i * dpi / 96
				got = $(i + 5)
				if (got - want > slack || want - got > slack)
					printf "%s %d: edge %d is %d, expected %.1f\n", $1, NR, i - 1, got, want
			}
		}')
	[ -z "$failures" ] || e2e_fail "not scaled by $dpi/96: $failures"
}

# darkest SHOT GEOMETRY: the darkest grey level (0 black .. 1 white) there.
darkest() {
	convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:minima]' info:
}

# ink_share SHOT GEOMETRY: the share of dark pixels there.
ink_share() {
	convert "$1" -crop "$2" +repage -colorspace Gray -threshold 50% -negate -format '%[fx:mean]' info:
}

# Every line view has ink, and none on its outermost pixels: a line cut at a
# view's edge leaves ink there.
expect_lines_inside() {
	local shot=$1
	while IFS='|' read -r _ class text left top right bottom _; do
		[ "$class" = BView ] && [ -n "$text" ] || continue
		local width=$((right - left)) height=$((bottom - top))
		awk -v d="$(darkest "$shot" "${width}x${height}+$left+$top")" 'BEGIN { exit !(d < 0.5) }' ||
			e2e_fail "\"$text\" shows no ink"
		local edge
		for edge in "1x$height+$left+$top" "1x$height+$((right - 1))+$top" \
			"${width}x1+$left+$top" "${width}x1+$left+$((bottom - 1))"; do
			awk -v d="$(darkest "$shot" "$edge")" 'BEGIN { exit !(d >= 0.5) }' ||
				e2e_fail "the ink of \"$text\" reaches its view's edge ($edge)"
		done
	done < <(awk -F'|' '$1 == "child"' <<<"$E2E_LISTING")
}

# The crop geometry of the path's line in the listing.
path_geometry() {
	awk -F'|' '$1 == "child" && $2 == "BView" && $3 ~ /^[A-Z]:\\/ {
		printf "%dx%d+%d+%d", $6 - $4, $7 - $5, $4, $5; exit }' <<<"$E2E_LISTING"
}

# ink_width SHOT GEOMETRY: how many columns the dark ink there spans.
ink_width() {
	convert "$1" -crop "$2" +repage -colorspace Gray -threshold 50% -format '%@' info: | cut -dx -f1
}

# The path's line carries more ink for its size than the explanatory line.
expect_path_bold() {
	local shot=$1 plain bold
	plain=$(e2e_record child "$line" | awk -F'|' '{ printf "%dx%d+%d+%d", $6 - $4, $7 - $5, $4, $5 }')
	bold=$(path_geometry)
	[ -n "$bold" ] || e2e_fail "no line reads the folder's path"
	local plain_ink bold_ink
	plain_ink=$(ink_share "$shot" "$plain")
	bold_ink=$(ink_share "$shot" "$bold")
	e2e_log "ink: explanatory line $plain_ink, path $bold_ink"
	awk -v p="$plain_ink" -v b="$bold_ink" 'BEGIN { exit !(b > p * 1.25) }' ||
		e2e_fail "the path is not bold (ink $bold_ink against $plain_ink)"
}

set_dpi() {
	"$E2E_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
		e2e_fail "LogPixels $1 was not set"
	wineserver -k
	wineserver -w
	wineserver -p
	e2e_log "LogPixels $1"
}

e2e_begin "uninstaller-scale-$dpi" "$build"
e2e_make_vendor_folder Readme.txt

e2e_start "$exe"
e2e_wait_window
reference=$E2E_LISTING
e2e_screenshot at-96
expect_path_bold "$E2E_SHOTS/$E2E_CASE-at-96.png"
path_width=$(ink_width "$E2E_SHOTS/$E2E_CASE-at-96.png" "$(path_geometry)")
e2e_click_child Cancel
e2e_expect_exit_code 0

set_dpi "$dpi"
e2e_start "$exe"
e2e_wait_window
e2e_screenshot shown
shot="$E2E_SHOTS/$E2E_CASE-shown.png"
expect_scaled "$reference" "$E2E_LISTING"
expect_lines_inside "$shot"
expect_path_bold "$shot"
scaled_width=$(ink_width "$shot" "$(path_geometry)")
e2e_log "the path's ink spans $path_width columns at 96 DPI, $scaled_width at $dpi"
awk -v w="$path_width" -v s="$scaled_width" -v dpi="$dpi" 'BEGIN { exit !(s >= 0.95 * w * dpi / 96) }' ||
	e2e_fail "the path is squeezed: $scaled_width columns against $path_width x $dpi/96"
e2e_expect_enabled OK 1
e2e_click_child OK
e2e_expect_exit_code 0
e2e_expect_trashed Brisca
e2e_expect_exists "$(e2e_documents)/Quorvane/Readme.txt"
e2e_log "passed"
