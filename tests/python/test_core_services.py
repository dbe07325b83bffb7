# SPDX-License-Identifier: MIT
"""Registers by name, EEPROMs and sequences from Python, on the preset bench: the same
procedures as the window and the command line, so these check what Python adds (names as
attributes, values in units, images as bytes or files, errors raised) and that it reaches
the simulated chips."""

import errno

import pytest

import vtl_i2c


@pytest.fixture
def sensor(adapter):
    # The bench's temperature sensor at 0x48 is of the TMP102 kind, set to 23.5 degrees.
    return vtl_i2c.Device(adapter, "tmp102", 0x48)


def test_registers_by_name(sensor):
    assert sensor.read("TEMP").value == 23.5
    assert sensor.TEMP.raw == 0x1780
    assert sensor.CONFIG.TM == "comparator"
    sensor.CONFIG.SD = 1
    assert (sensor.CONFIG.SD, sensor.CONFIG.raw) == (1, 0x61A0)
    sensor.write_field("THIGH.T", 90)
    sensor.TLOW = 0x4B00
    values = sensor.read_all()
    # TEMP is read-clears in the file, so Read All leaves it out.
    assert list(values) == ["CONFIG", "TLOW", "THIGH"]
    assert (values["THIGH"].value, values["TLOW"].value) == (90.0, 75.0)


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda d: d.NOPE, AttributeError),
        (lambda d: d.write_field("CONFIG.NOPE", 1), KeyError),
        (lambda d: d.write_field("CONFIG.CR", "fast"), ValueError),
        (lambda d: setattr(d.CONFIG, "R", 1), PermissionError),  # a read-only field
    ],
)
def test_register_misuse(sensor, call, error):
    with pytest.raises(error):
        call(sensor)


def test_eeprom_write_verify_read_and_image_files(bench, adapter, tmp_path):
    eeprom = vtl_i2c.Eeprom(adapter, "24c02", 0x50)
    seen = []
    eeprom.write(b"0123456789", 0x20, progress=lambda done, total: seen.append((done, total)))
    assert bytes(bench.eeprom_a.contents[0x20:0x2A]) == b"0123456789"
    assert seen and seen[-1][0] == seen[-1][1]
    assert eeprom.verify(b"0123456789", 0x20) and not eeprom.verify(b"x", 0x20)
    hex_file = tmp_path / "image.hex"
    eeprom.save(hex_file, 0x20, 10)
    assert hex_file.read_text().startswith(":0A002000")
    eeprom.erase()
    assert eeprom.read() == b"\xff" * 256
    eeprom.write(hex_file)
    assert eeprom.read(0x20, 10) == b"0123456789"


def test_eeprom_refused_before_anything_is_written(bench, adapter):
    # A 24C16 spans 0x50 to 0x57; on adapter A only 0x50 answers.
    before = bench.eeprom_a.contents
    with pytest.raises(OSError) as raised:
        vtl_i2c.Eeprom(adapter, "24c16", 0x50).write(b"\x00")
    assert raised.value.errno == errno.EINVAL
    assert bench.eeprom_a.contents == before


@pytest.mark.parametrize(
    "text, line, expected",
    [
        ("w1 00\nexpect r4 == 42 65 6E 00\n", 2, errno.EIO),
        ("# poll\npoll w1 00 r1 until 00 every 1ms timeout 5ms\n", 2, errno.ETIMEDOUT),
        ("w1@0x31 00\n", 1, errno.ENXIO),
    ],
)
def test_sequence_failure_names_its_line(adapter, text, line, expected):
    with pytest.raises(vtl_i2c.SequenceError) as raised:
        adapter.run_sequence(text, address=0x50)
    assert (raised.value.line, raised.value.errno) == (line, expected)


def test_sequence_records_and_files(adapter, tmp_path):
    path = tmp_path / "read.seq"
    path.write_text("w1 00\nexpect r5 == 42 65 6E 63 68\necho done\n")
    records = adapter.run_sequence(path, address=0x50)
    assert [(s.line, s.kind, s.status) for s in records] == [
        (1, "transfer", "ok"),
        (2, "expect", "ok"),
        (3, "echo", "ok"),
    ]
    assert records[1].read == b"Bench"
    with pytest.raises(ValueError):
        adapter.run_sequence("w1 00\n")  # no address for a message without @


def test_parts_and_identify(adapter):
    assert "24C256" in [part.name for part in vtl_i2c.parts("eeprom")]
    found = vtl_i2c.identify(adapter)
    assert [match.address for match in found] == [0x23, 0x40, 0x48, 0x50]
    assert all(match.most_likely for match in found)


def test_an_exception_in_progress_stops_the_job_and_is_raised(bench, adapter):
    eeprom = vtl_i2c.Eeprom(adapter, "24c02", 0x50)

    def give_up(done, total):
        raise RuntimeError(f"stop at {done} of {total}")

    with pytest.raises(RuntimeError, match="stop at"):
        eeprom.write(bytes(range(64)), progress=give_up)
    # The first page was written when its progress came; nothing after it.
    assert bench.eeprom_a.contents[:16] == bytes(range(8)) + b"PROM A\xff\xff"
    assert eeprom.read(0, 5) == bytes(range(5))
