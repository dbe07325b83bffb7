# SPDX-License-Identifier: MIT
# Microseconds per I2C_SMBUS byte read on /dev/i2c-N (argument 1), over COUNT (argument 2)
# reads in one process.
import sys
import time

from smbus2 import SMBus

with SMBus(int(sys.argv[1])) as bus:
    count = int(sys.argv[2])
    bus.read_byte_data(0x50, 0x00)
    started = time.perf_counter()
    for _ in range(count):
        bus.read_byte_data(0x50, 0x00)
    print(int((time.perf_counter() - started) * 1e6 / count))
