#!/usr/bin/env bash
# Draws the uninstaller's icon (a folder with a red "remove" badge on a blue
# tile) with ImageMagick and writes app/BriscaUninstaller.ico with 16, 32 and 48
# pixel images. Run by hand when the picture changes; the .ico is committed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One picture at 256 pixels, scaled down for each size.
convert -size 256x256 xc:none \
	-fill '#1f5f8b' -draw 'roundrectangle 8,8 247,247 44,44' \
	-fill '#e0a82e' -draw 'polygon 36,70 104,70 124,94 220,94 220,202 36,202' \
	-fill '#f5c95a' -draw 'polygon 36,112 220,112 220,202 36,202' \
	-fill '#c8372d' -stroke white -strokewidth 10 -draw 'circle 186,186 186,240' \
	-stroke none -fill white -draw 'rectangle 156,178 216,194' \
	"$work/icon-256.png"
for size in 16 32 48; do
	convert "$work/icon-256.png" -filter Lanczos -resize "${size}x${size}" "$work/icon-$size.png"
done
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$root/app/BriscaUninstaller.ico"
echo "Wrote $root/app/BriscaUninstaller.ico"
