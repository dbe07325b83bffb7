#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real programs (vtl-i2c-cli and the window, on the system's hidapi) against
# virtual adapters of all three models on a real kernel's USB HID stack: a Debian kernel
# booted by qemu with this machine's root shared read-only, USB HID gadgets on dummy_hcd,
# and a bridge that answers them with the simulated adapters. Prints one line per
# scenario and "N passed, M failed" last; exits 0 only when every scenario passed.
# Needs root on Debian 12 (apt-get, the kernel package); downloads are cached in
# build/realstack/cache. Environment: VTL_REALSTACK_PRESET (default "default"),
# VTL_REALSTACK_ACCEL and VTL_REALSTACK_CPU (default tcg and max; kvm and host where the
# machine offers hardware virtualisation), VTL_REALSTACK_VM_TIMEOUT (seconds, default 780).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${VTL_REALSTACK_PRESET:-default}
build=$root/build/$preset
work=$root/build/realstack
cache=$work/cache
packages=(qemu-system-x86 busybox-static kmod acl udev python3)
kernel_options=(USB_DUMMY_HCD USB_LIBCOMPOSITE USB_F_HID USB_CONFIGFS USB_CONFIGFS_F_HID HIDRAW
                USB_HID NET_9P_VIRTIO 9P_FS OVERLAY_FS PVH)

refuse() {
    echo "realstack: $*" >&2
    exit 2
}
step() { echo "realstack: $(date -u +%T) $*"; }

[[ $(id -u) -eq 0 ]] || refuse "needs root (it installs packages and shares / with the guest); run it with sudo"
[[ -r /etc/debian_version ]] || refuse "needs a Debian system (apt-get and Debian's kernel package)"

mkdir -p "$cache"
step "packages"
missing=()
for package in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${Status}' "$package" 2>/dev/null) == "install ok installed" ]] ||
        missing+=("$package")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        > "$work/apt.log" 2>&1 || true
fi
command -v qemu-system-x86_64 > /dev/null ||
    refuse "qemu-system-x86_64 is missing and could not be installed (apt-get install qemu-system-x86)"
for tool in busybox depmod modprobe python3; do
    command -v "$tool" > /dev/null || refuse "$tool is missing and could not be installed"
done
[[ -x /bin/busybox ]] && file_is_static=$(ldd /bin/busybox 2>&1 || true)
[[ ${file_is_static:-} == *"not a dynamic"* ]] || refuse "/bin/busybox is not the static busybox (busybox-static)"

step "kernel"
mkdir -p "$cache" "$work"
kernel_package=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ {print $2; exit}')
[[ -n $kernel_package ]] || refuse "apt-cache knows no linux-image-amd64 (apt-get update?)"
deb=$(ls "$cache/${kernel_package}"_*.deb 2>/dev/null | head -n 1 || true)
if [[ -z $deb ]]; then
    (cd "$cache" && apt-get download -qq -o APT::Sandbox::User=root "$kernel_package") || refuse "cannot download $kernel_package"
    deb=$(ls "$cache/${kernel_package}"_*.deb | head -n 1)
fi
kernel=$cache/$(basename "$deb" .deb)
if [[ ! -f $kernel/vmlinux ]]; then
    rm -rf "$kernel"
    dpkg-deb -x "$deb" "$kernel"
    config=$(ls "$kernel"/boot/config-*)
    for option in "${kernel_options[@]}"; do
        grep -qE "^CONFIG_$option=[ym]" "$config" || refuse "$kernel_package lacks CONFIG_$option"
    done
    python3 "$root/tools/realstack/vmlinux.py" "$kernel"/boot/vmlinuz-* "$kernel/vmlinux.tmp"
    mv "$kernel/vmlinux.tmp" "$kernel/vmlinux"
fi

step "programs ($preset build)"
[[ -f $build/CMakeCache.txt ]] || cmake --preset "$preset" ${VTL_CMAKE_ARGS:-} > "$work/configure.log"
cmake --build --preset "$preset" --target vtl-i2c-cli vtl_i2c vtl-realstack-bridge \
    tst_realstack_window > "$work/build.log" || { tail -n 30 "$work/build.log"; refuse "build failed"; }

step "guest"
"$root/tools/realstack/initramfs.sh" "$kernel" "$work/initramfs.cpio"
out=$work/out
rm -rf "$out"
mkdir -p "$out"
append="console=ttyS0 panic=-1 loglevel=3 realstack_script=${VTL_REALSTACK_GUEST_SCRIPT:-$root/tools/realstack/guest/scenarios.sh}"
append+=" realstack_bin=$build"
start=${EPOCHREALTIME/./}
status=0
timeout "${VTL_REALSTACK_VM_TIMEOUT:-780}" qemu-system-x86_64 \
    -accel "${VTL_REALSTACK_ACCEL:-tcg}" -cpu "${VTL_REALSTACK_CPU:-max}" -smp 2 -m 1536 \
    -nodefaults -no-user-config -display none -serial stdio -no-reboot \
    -kernel "$kernel/vmlinux" -initrd "$work/initramfs.cpio" -append "$append" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$out,mount_tag=realstackout,security_model=none" \
    < /dev/null > "$work/console.log" 2>&1 &
vm=$!
# A time limit put on this script ends the guest too (timeout keeps qemu in a process group
# of its own, which the caller's signal does not reach).
trap 'kill "$vm" 2> /dev/null; wait "$vm"; exit 124' TERM INT
wait "$vm" || status=$?
trap - TERM INT
seconds=$(( (${EPOCHREALTIME/./} - start) / 1000000 ))
step "guest ran ${seconds} s (exit $status); console in $work/console.log, logs in $out"

results=$out/results
touch "$results"
grep -E '^(PASS|FAIL) ' "$results" || true
passed=$(grep -c '^PASS ' "$results" || true)
failed=$(grep -c '^FAIL ' "$results" || true)
if ! grep -qx 'DONE' "$results"; then
    echo "FAIL guest: the scenarios did not finish (qemu exit $status; see $work/console.log)"
    failed=$((failed + 1))
fi
[[ -f $out/figures ]] && sed 's/^/figure: /' "$out/figures"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 && $passed -gt 0 ]]
