#!/usr/bin/env bash
# The uninstaller's resources, read from the built programs of both
# architectures: accelerator table 109 with exactly the plain character entries
# Alt+'?' and Alt+'/' giving command 104, the 16, 32 and 48 pixel icons, the
# manifest asking for common controls 6 as the invoking user, and the version
# strings naming the product and the vendor.
#
#   resources.sh BUILD_ROOT      (BUILD_ROOT holds x86_64/ and i686/)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e-lib.sh"

builds=$1
e2e_begin resources "$builds/x86_64"
probe="$builds/x86_64/tests/tools/ResourceProbe.exe"

expect_line() {
	grep -qxF -- "$2" <<<"$1" || e2e_fail "$3: no line \"$2\""
}

for arch in x86_64 i686; do
	exe="$builds/$arch/BriscaUninstaller.exe"
	[ -f "$exe" ] || e2e_fail "$exe is not built"
	listing=$("$E2E_WINE" "$probe" "$(winepath -w "$exe" 2>/dev/null)" | tr -d '\r') || e2e_fail "cannot read $exe"
	# Flags 0x10 are Alt alone: a character entry, not a virtual-key one; 0x80 marks the last entry.
	[ "$(grep '^accelerator|109|' <<<"$listing")" = $'accelerator|109|0x10|63|104\naccelerator|109|0x90|47|104' ] ||
		e2e_fail "$arch: accelerator table 109 is $(grep '^accelerator|109|' <<<"$listing" | tr '\n' ' ')"
	for size in 16 32 48; do
		grep -q "^icon|[0-9]*|$size|$size|" <<<"$listing" || e2e_fail "$arch: no $size pixel icon"
	done
	manifest=$(grep '^manifest|1|' <<<"$listing")
	grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
		e2e_fail "$arch: the manifest does not ask for common controls 6"
	grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$manifest" ||
		e2e_fail "$arch: the manifest does not run as the invoking user"
	expect_line "$listing" "version|ProductName|Brisca Uninstaller" "$arch"
	expect_line "$listing" "version|CompanyName|Quorvane" "$arch"
	e2e_log "$arch: accelerators, icons, manifest and version as expected"
done
e2e_log "passed"
