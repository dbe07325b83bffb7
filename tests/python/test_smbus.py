# SPDX-License-Identifier: MIT
"""vtl_i2c.SMBus against smbus2's contract, on simulated adapters: what each method puts
on the wire, what it returns, and the errno of each kind of failure."""

import errno

import pytest
import smbus2

import vtl_i2c
from vtl_i2c import SMBus, i2c_msg, sim

ADDR = 0x50


def wire(recorder):
    """The recorder's events as text: W or R at each start, the bytes, P at the stop."""
    words = []
    for event in recorder.events:
        if event[0] == "start":
            words.append(event[1].upper())
        elif event[0] == "stop":
            words.append("P")
        else:
            words.append("%02X" % event[1])
    return " ".join(words)


def crc8(data):
    """The SMBus packet error code: CRC-8, polynomial x^8 + x^2 + x + 1."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = ((crc << 1) ^ 0x07) & 0xFF if crc & 0x80 else (crc << 1) & 0xFF
    return crc


def hexes(data):
    return " ".join("%02X" % byte for byte in data)


@pytest.fixture
def adapter():
    sim.detach_all()
    yield sim.attach_adapter("A", "PY-A")
    sim.detach_all()


@pytest.fixture
def bus(adapter):
    with SMBus("vtl:PY-A") as smbus:
        yield smbus


BLOCK_REPLY = bytes([3, 0xAA, 0xBB, 0xCC])
# The core reads the longest block (count byte and 32 bytes): the slave repeats its reply.
BLOCK_WIRE = hexes((BLOCK_REPLY * 9)[:33])


@pytest.mark.parametrize(
    "method, args, reply, on_wire, result",
    [
        ("write_quick", (), b"", "W P", None),
        ("read_byte", (), b"\x34", "R 34 P", 0x34),
        ("write_byte", (0xA5,), b"", "W A5 P", None),
        ("read_byte_data", (0x05,), b"\x34", "W 05 R 34 P", 0x34),
        ("write_byte_data", (0x05, 0xAA), b"", "W 05 AA P", None),
        ("read_word_data", (0x05,), b"\x34\x12", "W 05 R 34 12 P", 0x1234),
        ("write_word_data", (0x05, 0x1234), b"", "W 05 34 12 P", None),
        ("process_call", (0x05, 0x1234), b"\x78\x56", "W 05 34 12 R 78 56 P", 0x5678),
        ("read_block_data", (0x05,), BLOCK_REPLY, "W 05 R " + BLOCK_WIRE + " P",
         [0xAA, 0xBB, 0xCC]),
        ("write_block_data", (0x05, [1, 2, 3]), b"", "W 05 03 01 02 03 P", None),
        ("block_process_call", (0x05, [1, 2]), BLOCK_REPLY,
         "W 05 02 01 02 R " + BLOCK_WIRE + " P", [0xAA, 0xBB, 0xCC]),
        ("read_i2c_block_data", (0x05, 3), b"\xAA\xBB\xCC", "W 05 R AA BB CC P",
         [0xAA, 0xBB, 0xCC]),
        ("write_i2c_block_data", (0x05, [1, 2]), b"", "W 05 01 02 P", None),
        # Beyond 32 bytes with the limit lifted.
        ("read_i2c_block_data", (0x05, 40), bytes(range(40)), "W 05 R " + hexes(range(40))
         + " P", list(range(40))),
        ("write_i2c_block_data", (0x05, list(range(40))), b"", "W 05 " + hexes(range(40))
         + " P", None),
    ],
)
def test_methods(adapter, method, args, reply, on_wire, result):
    recorder = adapter.add_recorder(ADDR, reply)
    with SMBus("vtl:PY-A", block_limit=64) as bus:
        returned = getattr(bus, method)(ADDR, *args)
    assert wire(recorder) == on_wire
    assert returned == result
    assert type(returned) is type(result)


@pytest.mark.parametrize("make", [i2c_msg, smbus2.i2c_msg], ids=["ours", "smbus2"])
def test_i2c_rdwr_one_transaction(adapter, bus, make):
    recorder = adapter.add_recorder(ADDR, b"\x34\x12\x56")
    write, read = make.write(ADDR, [0x05, 0x06]), make.read(ADDR, 3)
    bus.i2c_rdwr(write, read)
    assert wire(recorder) == "W 05 06 R 34 12 56 P"
    assert list(read) == [0x34, 0x12, 0x56]
    assert bytes(read) == b"\x34\x12\x56"
    assert (read.addr, read.flags, read.len) == (ADDR, 1, 3)


@pytest.mark.parametrize(
    "method, args, reply, on_wire",
    [
        # The PEC covers every address byte and every byte before it on the wire.
        ("read_byte_data", (0x05,), [0x34, crc8([0xA0, 0x05, 0xA1, 0x34])], "W 05 R 34 {} P"),
        ("write_byte_data", (0x05, 0xAA), [], "W 05 AA " + hexes([crc8([0xA0, 0x05, 0xAA])])
         + " P"),
        # Linux sends no PEC with the quick command and the I2C block transfers.
        ("write_quick", (), [], "W P"),
        ("write_i2c_block_data", (0x05, [1, 2]), [], "W 05 01 02 P"),
    ],
)
def test_pec(adapter, bus, method, args, reply, on_wire):
    recorder = adapter.add_recorder(ADDR, bytes(reply))
    bus.pec = 1
    getattr(bus, method)(ADDR, *args)
    assert wire(recorder) == on_wire.format(hexes(reply[1:]))


@pytest.mark.parametrize(
    "model, setup, call, code",
    [
        ("A", lambda a: None, lambda b: b.read_byte_data(0x51, 0), errno.ENXIO),
        ("A", lambda a: a.drop_replies(5), lambda b: b.read_byte(ADDR), errno.ETIMEDOUT),
        ("B", lambda a: a.add_recorder(ADDR), lambda b: b.write_quick(ADDR), errno.EOPNOTSUPP),
        ("A", lambda a: a.add_recorder(ADDR, b"\x34\x00"),
         lambda b: (b.enable_pec(), b.read_byte_data(ADDR, 5)), errno.EBADMSG),
        ("A", lambda a: None, lambda b: b.i2c_rdwr(i2c_msg(addr=ADDR, flags=0x10, len=0)),
         errno.EOPNOTSUPP),
        ("A", lambda a: None, lambda b: b.i2c_rdwr(), errno.EINVAL),
        ("A", lambda a: None, lambda b: b.read_byte(0x80), errno.EINVAL),
        ("A", lambda a: None, lambda b: (b.close(), b.read_byte(ADDR)), errno.EBADF),
        ("A", lambda a: a.unplug(), lambda b: b.read_byte_data(ADDR, 0), errno.ENODEV),
    ],
    ids=["address nack", "timeout", "model limit", "bad pec",
         "message flags", "no messages", "address range", "closed", "adapter gone"],
)
def test_errors(model, setup, call, code):
    sim.detach_all()
    adapter = sim.attach_adapter(model, "PY-E")
    with SMBus("vtl:PY-E") as bus:
        recorder = setup(adapter)
        with pytest.raises(OSError) as raised:
            call(bus)
    assert raised.value.errno == code
    if code == errno.EOPNOTSUPP and recorder:
        assert recorder.events == []
    sim.detach_all()


@pytest.mark.parametrize(
    "method, args",
    [
        ("write_block_data", (0x05, [0] * 33)),
        ("block_process_call", (0x05, [0] * 33)),
        ("read_i2c_block_data", (0x05, 33)),
        ("write_i2c_block_data", (0x05, [0] * 33)),
    ],
)
def test_block_limit(adapter, bus, method, args):
    recorder = adapter.add_recorder(ADDR)
    with pytest.raises(ValueError):
        getattr(bus, method)(ADDR, *args)
    assert recorder.events == []


@pytest.mark.parametrize("form", ["index", "vtl", "adapter"])
def test_constructor_forms(adapter, form):
    recorder = adapter.add_recorder(ADDR, b"\x42")
    given = vtl_i2c.Adapter("PY-A") if form == "adapter" else None
    bus = SMBus({"index": 0, "vtl": "vtl:PY-A", "adapter": given}[form])
    assert bus.read_byte(ADDR) == 0x42
    assert bus.funcs & vtl_i2c.smbus.I2cFunc.SMBUS_QUICK
    bus.close()
    # An adapter handed in belongs to the caller and stays open.
    if given is not None:
        assert not given.closed
        given.close()
    assert wire(recorder) == "R 42 P"
