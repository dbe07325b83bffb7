#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds and runs the whole test suite.
#   tools/test.sh            the default (Debug) preset
#   tools/test.sh asan       the AddressSanitizer + UndefinedBehaviorSanitizer preset
# Extra arguments after the preset go to ctest (for example -R DeviceFile).
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-default}
shift || true

tools/install-deps.sh
cmake --preset "$preset" ${VTL_CMAKE_ARGS:-}
cmake --build --preset "$preset"
ctest --preset "$preset" "$@"
