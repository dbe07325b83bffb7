#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building, testing and running vtl-i2c need.
# Idempotent: prints nothing and touches nothing when everything is already there.
# Works as root and, for other users, through sudo.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config git ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libhidapi-dev
    libbenchmark-dev
    clang libclang-rt-14-dev
    desktop-file-utils appstream
    scdoc bash-completion
    i2c-tools
    python3-dev pybind11-dev python3-pytest
    python3-smbus2 python3-bme280 python3-luma.oled
    libfuse3-dev fuse3
    dpkg-dev lintian file
    fonts-dejavu-core
    xvfb xauth
)

missing=()
for package in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
