#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds and starts the tool.
#   tools/run.sh             the demo program, on simulated adapters
#   tools/run.sh --hardware  the real program, on attached adapters (see README for udev)
set -euo pipefail
cd "$(dirname "$0")/.."

program=vtl_i2c_sim
if [[ "${1:-}" == "--hardware" ]]; then
    program=vtl_i2c
fi

tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target "$program"
exec "build/release/bin/$program"
