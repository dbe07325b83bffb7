# SPDX-License-Identifier: MIT
# Each method of Debian's python3-smbus2 once on /dev/i2c-N (argument 1), against the
# bench EEPROM at 0x50 (256 bytes, 8-byte pages, blank at 0xA0 and up) and the simulated
# pressure sensor at 0x76 read by python3-bme280; one line per call, what it gave.
import errno
import sys

from smbus2 import SMBus, i2c_msg

EEPROM = 0x50
NOBODY = 0x30


def show(name, value):
    print(name, value, flush=True)


def failure(name, call):
    try:
        call()
        show(name, "no error")
    except OSError as error:
        show(name, errno.errorcode.get(error.errno, error.errno))


with SMBus(int(sys.argv[1])) as bus:
    show("funcs", hex(bus.funcs))
    bus.write_byte_data(EEPROM, 0xA0, 0x11)
    show("read_byte_data", hex(bus.read_byte_data(EEPROM, 0xA0)))
    bus.write_word_data(EEPROM, 0xA2, 0x3344)
    show("read_word_data", hex(bus.read_word_data(EEPROM, 0xA2)))
    bus.write_byte(EEPROM, 0xA2)
    show("read_byte", hex(bus.read_byte(EEPROM)))
    bus.write_i2c_block_data(EEPROM, 0xA8, [1, 2, 3, 4])
    show("read_i2c_block_data", bus.read_i2c_block_data(EEPROM, 0xA8, 4))
    bus.write_block_data(EEPROM, 0xB0, [5, 6, 7])
    show("read_block_data", bus.read_block_data(EEPROM, 0xB0))
    # The EEPROM stores the word at 0xB8 and answers from 0xBA on, still blank.
    show("process_call", hex(bus.process_call(EEPROM, 0xB8, 0x0201)))
    # A block of one byte waits at 0xC3, where the pointer stands after the call's write.
    bus.write_i2c_block_data(EEPROM, 0xC3, [1, 0x77])
    show("block_process_call", bus.block_process_call(EEPROM, 0xC0, [2, 9]))
    bus.write_quick(EEPROM)
    show("write_quick", "ok")
    write, read = i2c_msg.write(EEPROM, [0xA8]), i2c_msg.read(EEPROM, 4)
    bus.i2c_rdwr(write, read)
    show("i2c_rdwr", list(read))
    bus.pec = True
    failure("pec on a slave without it", lambda: bus.read_byte_data(EEPROM, 0xA0))
    bus.pec = False
    failure("nack", lambda: bus.read_byte_data(NOBODY, 0))
    import bme280  # slow to import; the other calls' lines are out by then

    calibration = bme280.load_calibration_params(bus, 0x76)
    sample = bme280.sample(bus, 0x76, calibration)
    plausible = (20 < sample.temperature < 30 and 900 < sample.pressure < 1100
                 and 40 < sample.humidity < 60)
    show("bme280", "%s %.1f C %.1f hPa %.1f %%" % ("ok" if plausible else "implausible",
                                                  sample.temperature, sample.pressure,
                                                  sample.humidity))
