#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the libFuzzer targets (preset 'fuzz': clang,
# AddressSanitizer; the driver target also UndefinedBehaviorSanitizer) and runs each one
# for a bounded time on a copy of its seed corpus.
#   tools/fuzz.sh            60 seconds per target
#   tools/fuzz.sh 300        300 seconds per target
# Fails on the first finding; the input that triggered it is kept in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: seconds must be a positive number" >&2; exit 2; }
targets=(fuzz_device_file_load fuzz_hex_to_bytes fuzz_driver_session fuzz_bus_frames)

tools/install-deps.sh
cmake --preset fuzz ${VTL_CMAKE_ARGS:-} >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The device file target saves every file that loads; a memory-backed folder keeps the
# save file's sync to disk from setting the pace.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

for target in "${targets[@]}"; do
    corpus="$work/$target"
    findings="build/fuzz/findings/$target"
    mkdir -p "$corpus" "$findings"
    cp -R "fuzz/corpus/$target/." "$corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/")
    if [[ -f "fuzz/$target.dict" ]]; then
        options+=(-dict="fuzz/$target.dict")
    fi
    echo "fuzz: $target for $seconds s"
    log="$work/$target.log"
    if ! "build/fuzz/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target found a problem; the input is in $findings/" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $target: ${runs:-?} executions, no finding"
done
