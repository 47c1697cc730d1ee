#!/usr/bin/env bash
# Installs what is missing, builds, and runs the uninstaller under Wine in a
# private prefix whose Documents holds a demo Quorvane\Brisca.
set -euo pipefail
source "$(dirname "$0")/common.sh"

zel_install_missing
zel_build i686 BriscaUninstaller
zel_build x86_64 BriscaUninstaller

echo "Built the uninstaller:"
echo "  shipped 32-bit build: $ZEL_BUILD_ROOT/i686/BriscaUninstaller.exe"
echo "  64-bit build (runs here under Wine): $ZEL_BUILD_ROOT/x86_64/BriscaUninstaller.exe"
echo "Its window is not built yet, so there is nothing to show."
