#!/usr/bin/env bash
# Installs what is missing, builds both architectures, and runs every test of the
# x86_64 build under Wine in a private prefix.
set -euo pipefail
source "$(dirname "$0")/common.sh"

zel_install_missing
zel_build i686
zel_build x86_64

trap zel_stop_wine EXIT
zel_start_display
zel_start_wine
cd "$ZEL_BUILD_ROOT/x86_64"
ctest --output-on-failure -j2 --no-tests=error "$@"
