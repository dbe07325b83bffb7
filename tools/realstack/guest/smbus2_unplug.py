# SPDX-License-Identifier: MIT
# Keeps /dev/i2c-N (argument 1) open over an unplug: reads a byte, then once per line on
# standard input reads again and prints the value or the errno's name.
import errno
import sys

from smbus2 import SMBus

with SMBus(int(sys.argv[1])) as bus:
    while True:
        try:
            print(hex(bus.read_byte_data(0x50, 0x00)), flush=True)
        except OSError as error:
            print(errno.errorcode.get(error.errno, error.errno), flush=True)
        if not sys.stdin.readline():
            break
