# SPDX-License-Identifier: MIT
"""Unmodified smbus2 clients from Debian's packages, handed a vtl_i2c.SMBus, against the
simulated sensor and display."""

import bme280
import pytest
from luma.core.interface.serial import i2c as luma_i2c
from luma.core.render import canvas
from luma.oled.device import ssd1306

from vtl_i2c import SMBus, sim


@pytest.fixture
def adapter():
    sim.detach_all()
    yield sim.attach_adapter("A", "PY-CLIENTS")
    sim.detach_all()


def compensate(trim, adc_t, adc_p, adc_h):
    """The datasheet's floating-point compensation: degrees Celsius, hPa, % RH."""
    var1 = (adc_t / 16384.0 - trim["dig_T1"] / 1024.0) * trim["dig_T2"]
    var2 = (adc_t / 131072.0 - trim["dig_T1"] / 8192.0) ** 2 * trim["dig_T3"]
    t_fine = var1 + var2

    var1 = t_fine / 2.0 - 64000.0
    var2 = var1 * var1 * trim["dig_P6"] / 32768.0
    var2 = var2 + var1 * trim["dig_P5"] * 2.0
    var2 = var2 / 4.0 + trim["dig_P4"] * 65536.0
    var1 = (trim["dig_P3"] * var1 * var1 / 524288.0 + trim["dig_P2"] * var1) / 524288.0
    var1 = (1.0 + var1 / 32768.0) * trim["dig_P1"]
    pressure = 1048576.0 - adc_p
    pressure = (pressure - var2 / 4096.0) * 6250.0 / var1
    var1 = trim["dig_P9"] * pressure * pressure / 2147483648.0
    var2 = pressure * trim["dig_P8"] / 32768.0
    pressure = pressure + (var1 + var2 + trim["dig_P7"]) / 16.0

    h = t_fine - 76800.0
    h = (adc_h - (trim["dig_H4"] * 64.0 + trim["dig_H5"] / 16384.0 * h)) * (
        trim["dig_H2"] / 65536.0
        * (1.0 + trim["dig_H6"] / 67108864.0 * h * (1.0 + trim["dig_H3"] / 67108864.0 * h))
    )
    h = h * (1.0 - trim["dig_H1"] * h / 524288.0)
    return t_fine / 5120.0, pressure / 100.0, min(max(h, 0.0), 100.0)


@pytest.mark.parametrize(
    "raw",
    [None, (0x5A000, 0x84000, 0x5200)],
    ids=["default readings", "warmer and more humid"],
)
def test_pressure_sensor_client(adapter, raw):
    sensor = sim.add_pressure_sensor(adapter, 0x76)
    if raw:
        sensor.set_raw(*raw)
    expected = compensate(sensor.trimming, sensor.raw_temperature, sensor.raw_pressure,
                          sensor.raw_humidity)
    with SMBus("vtl:PY-CLIENTS") as bus:
        calibration = bme280.load_calibration_params(bus, 0x76)
        reading = bme280.sample(bus, 0x76, calibration)
    assert (reading.temperature, reading.pressure, reading.humidity) == pytest.approx(
        expected, abs=1e-6)
    assert sensor.measurements == 1


def page_layout(image):
    """The controller's RAM for a 1-bit image: byte page * 128 + column, bit 0 on top."""
    width, height = image.size
    pixels = image.load()
    ram = bytearray(width * height // 8)
    for y in range(height):
        for x in range(width):
            if pixels[x, y]:
                ram[(y // 8) * width + x] |= 1 << (y % 8)
    return bytes(ram)


def test_display_client(adapter):
    display = sim.add_display(adapter, 0x3C)
    with SMBus("vtl:PY-CLIENTS") as bus:
        device = ssd1306(luma_i2c(bus=bus, address=0x3C))
        frame = canvas(device)
        with frame as draw:
            draw.rectangle((0, 0, 127, 63), outline="white")
            draw.text((6, 20), "vtl-i2c on a PC", fill="white")
        assert display.display_on
        assert display.frame_buffer() == page_layout(frame.image)
        # The text lit pixels beside the border's 380.
        assert sum(bin(byte).count("1") for byte in display.frame_buffer()) > 380
        device.cleanup()
    assert not display.display_on
