#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the release preset and runs the benchmarks.
#   tools/bench.sh                 every benchmark program
#   tools/bench.sh CVtlI2c         only the programs whose name contains the word
# Further arguments go to each program (for example --benchmark_filter=Read).
set -euo pipefail
cd "$(dirname "$0")/.."

pattern=${1:-}
shift || true

tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
find build/release/bench -type f -executable -name 'bench_*' | sort | while read -r program; do
    [[ -z "$pattern" || "$(basename "$program")" == *"$pattern"* ]] || continue
    echo "== $(basename "$program")"
    "$program" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
