# SPDX-License-Identifier: MIT
"""vtl_i2c.busio.I2C as CircuitPython drivers use it, on simulated adapters."""

import errno

import pytest

import vtl_i2c
from vtl_i2c import sim
from vtl_i2c.busio import I2C

from test_smbus import ADDR, wire


@pytest.fixture
def adapter():
    sim.detach_all()
    yield sim.attach_adapter("A", "PY-A")
    sim.detach_all()


@pytest.fixture
def i2c(adapter):
    with I2C("PY-A") as bus:
        assert bus.try_lock()
        yield bus


@pytest.mark.parametrize(
    "call, on_wire, buffer_after",
    [
        (lambda i2c, buf: i2c.readfrom_into(ADDR, buf), "R 34 12 56 78 P", b"\x34\x12\x56\x78"),
        (lambda i2c, buf: i2c.readfrom_into(ADDR, buf, start=1, end=3), "R 34 12 P",
         b"\x00\x34\x12\x00"),
        (lambda i2c, buf: i2c.writeto(ADDR, b"\x01\x02\x03"), "W 01 02 03 P", b"\0\0\0\0"),
        (lambda i2c, buf: i2c.writeto(ADDR, b"\x01\x02\x03", start=1, end=2), "W 02 P",
         b"\0\0\0\0"),
        # A zero-length write is a presence poll: the address alone.
        (lambda i2c, buf: i2c.writeto(ADDR, b""), "W P", b"\0\0\0\0"),
        (lambda i2c, buf: i2c.writeto_then_readfrom(ADDR, b"\x05\x06", buf, out_start=1,
                                                    in_end=2), "W 06 R 34 12 P",
         b"\x34\x12\x00\x00"),
    ],
    ids=["read", "read span", "write", "write span", "presence poll", "write then read"],
)
def test_transfers(adapter, i2c, call, on_wire, buffer_after):
    recorder = adapter.add_recorder(ADDR, b"\x34\x12\x56\x78")
    buffer = bytearray(4)
    call(i2c, buffer)
    assert wire(recorder) == on_wire
    assert buffer == buffer_after


def test_scan_and_probe(adapter, i2c):
    for address in (0x08, 0x3C, 0x77, 0x78):
        adapter.add_recorder(address)
    assert i2c.scan() == [0x08, 0x3C, 0x77]
    assert i2c.probe(0x3C) and not i2c.probe(0x3D)


@pytest.mark.parametrize(
    "model, call, code",
    [
        ("A", lambda i2c: i2c.writeto(0x51, b"\x00"), errno.ENXIO),
        ("A", lambda i2c: i2c.readfrom_into(0x51, bytearray(1)), errno.ENXIO),
        ("B", lambda i2c: i2c.writeto(ADDR, b""), errno.EOPNOTSUPP),
    ],
    ids=["write nack", "read nack", "poll on a model without it"],
)
def test_errors(model, call, code):
    sim.detach_all()
    recorder = sim.attach_adapter(model, "PY-E").add_recorder(ADDR)
    with I2C("PY-E") as i2c:
        assert i2c.try_lock()
        with pytest.raises(OSError) as raised:
            call(i2c)
    assert raised.value.errno == code
    if code == errno.EOPNOTSUPP:
        assert recorder.events == []
    sim.detach_all()


def test_lock(adapter):
    with vtl_i2c.Adapter("PY-A") as shared:
        first, second = I2C(shared), I2C(shared)
        with pytest.raises(RuntimeError):
            first.scan()
        with pytest.raises(ValueError):
            first.unlock()
        assert first.try_lock()
        assert not first.try_lock()
        # Two objects on one adapter exclude each other.
        assert not second.try_lock()
        first.unlock()
        assert second.try_lock()
        # deinit gives the lock back and leaves the caller's adapter open.
        second.deinit()
        assert first.try_lock()
        assert not shared.closed
        with pytest.raises(ValueError):
            second.try_lock()


@pytest.mark.parametrize("frequency, expected", [(None, 100_000), (400_000, 400_000)])
def test_frequency(adapter, frequency, expected):
    with I2C("PY-A", frequency=frequency) as i2c:
        assert i2c.frequency == expected
