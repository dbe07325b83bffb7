#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the guest's initramfs: static busybox, the guest's init and the kernel modules for
# the 9p root, the overlay, the USB gadget and HID stack and CUSE (for /dev/i2c-N served
# in user space), with their dependencies in load order.   initramfs.sh KERNEL_TREE OUTPUT.cpio
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kernel=$1
output=$2
kver=$(ls "$kernel/lib/modules" | head -n 1)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{bin,proc,sys,dev,mnt,lib/modules}
cp /bin/busybox "$tree/bin/busybox"
depmod -b "$kernel" "$kver"
: > "$tree/modules.list"
for module in virtio_pci 9pnet_virtio 9p overlay configfs usbcore usbhid hid_generic libcomposite \
              dummy_hcd usb_f_hid usb_f_ss_lb cuse; do
    modprobe -d "$kernel" -S "$kver" --show-depends "$module" | awk '$1 == "insmod" {print $2}' |
        while read -r file; do
            relative=${file#"$kernel/lib/modules/$kver/"}
            grep -qxF "$relative" "$tree/modules.list" && continue
            mkdir -p "$tree/lib/modules/$(dirname "$relative")"
            cp "$file" "$tree/lib/modules/$relative"
            echo "$relative" >> "$tree/modules.list"
        done
done
install -m 755 "$here/guest/init" "$tree/init"
(cd "$tree" && find . | ./bin/busybox cpio -o -H newc 2>/dev/null) > "$output"
