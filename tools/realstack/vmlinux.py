#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the uncompressed ELF kernel held in an xz-compressed bzImage, which qemu boots
# directly (PVH) without spending emulated time on decompression.
import lzma
import sys

XZ_MAGIC = b"\xfd7zXZ\x00"

def main(image_path, out_path):
    data = open(image_path, "rb").read()
    start = data.find(XZ_MAGIC)
    while start >= 0:
        try:
            payload = lzma.LZMADecompressor(format=lzma.FORMAT_XZ).decompress(data[start:])
        except lzma.LZMAError:
            payload = b""
        if payload.startswith(b"\x7fELF"):
            with open(out_path, "wb") as out:
                out.write(payload)
            return 0
        start = data.find(XZ_MAGIC, start + 1)
    print(f"vmlinux.py: no xz-compressed ELF kernel in {image_path}", file=sys.stderr)
    return 1

if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
