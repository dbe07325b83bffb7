# SPDX-License-Identifier: MIT
"""The native API on the simulated adapters: the bytes each call puts on the bus, what
it returns, and the errno of each kind of failure."""

import errno
import gc
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import vtl_i2c
from vtl_i2c import Message

R = 0x30  # the recorder of conftest.py, which answers reads with AB CD AB CD ...
START_W, START_R, STOP = ("start", "w"), ("start", "r"), ("stop",)


def w(*data):
    return [("write", byte) for byte in data]


def r(*data):
    return [("read", byte) for byte in data]


@pytest.mark.parametrize(
    "call, wire, result",
    [
        (lambda a: a.write(R, b"\x01\x02"), [START_W, *w(1, 2), STOP], None),
        (lambda a: a.write(R, [1, 2]), [START_W, *w(1, 2), STOP], None),
        (
            lambda a: (a.write(R, b"\x01", stop=False), a.write(R, b"\x02", start=False))[1],
            [START_W, *w(1, 2), STOP],
            None,
        ),
        (lambda a: a.read(R, 3), [START_R, *r(0xAB, 0xCD, 0xAB), STOP], b"\xab\xcd\xab"),
        (lambda a: a.write_read(R, b"\x05", 2), [START_W, *w(5), START_R, *r(0xAB, 0xCD), STOP], b"\xab\xcd"),
        (
            lambda a: a.transfer("w2@0x30 01 02 w1 03 r1"),
            [START_W, *w(1, 2), START_W, *w(3), START_R, *r(0xAB), STOP],
            [b"\xab"],
        ),
        (
            lambda a: a.transfer([Message(R, b"\x07"), Message(R, read=2)]),
            [START_W, *w(7), START_R, *r(0xAB, 0xCD), STOP],
            [b"\xab\xcd"],
        ),
        (lambda a: a.transfer([Message(R, b"\x07")]), [START_W, *w(7), STOP], []),
        (lambda a: a.smbus("quick", R), [START_W, STOP], b""),
        (lambda a: a.smbus("receive_byte", R), [START_R, *r(0xAB), STOP], b"\xab"),
        (lambda a: a.smbus("read_byte_data", R, 0x10), [START_W, *w(0x10), START_R, *r(0xAB), STOP], b"\xab"),
        (lambda a: a.smbus("write_word_data", R, 0x10, b"\x34\x12"), [START_W, *w(0x10, 0x34, 0x12), STOP], b""),
        (
            lambda a: a.smbus("write_block_data", R, 0x11, b"\x01\x02"),
            [START_W, *w(0x11, 2, 1, 2), STOP],
            b"",
        ),
        (
            lambda a: a.smbus("read_i2c_block", R, 0x12, length=3),
            [START_W, *w(0x12), START_R, *r(0xAB, 0xCD, 0xAB), STOP],
            b"\xab\xcd\xab",
        ),
        (lambda a: a.probe(R), [START_W, STOP], True),
    ],
)
def test_bytes_on_the_wire(adapter, recorder, call, wire, result):
    assert call(adapter) == result
    assert recorder.events == wire


@pytest.mark.parametrize(
    "arrange, call, expected",
    [
        (None, lambda a: a.read(0x31, 1), errno.ENXIO),
        (lambda b, rec: rec.refuse_byte(2), lambda a: a.write(R, b"\x01\x02"), errno.ENXIO),
        (lambda b, rec: b.a.drop_replies(1), lambda a: a.read(R, 1), errno.ETIMEDOUT),
        (None, lambda a: a.smbus("read_word_data", R, 1, pec=True), errno.EBADMSG),
        (lambda b, rec: b.a.add_recorder(0x31, b"\x00"), lambda a: a.smbus("read_block_data", 0x31, 1), errno.EPROTO),
        (None, lambda a: a.smbus("write_block_data", R, 1, bytes(33)), errno.EPROTO),
        (None, lambda a: a.read(R, 1, stop=False), errno.EOPNOTSUPP),
        (None, lambda a: a.transfer([Message(R, read=1), Message(R, b"\x01")]), errno.EOPNOTSUPP),
        (None, lambda a: a.read(R, 65536), errno.EOPNOTSUPP),
        (lambda b, rec: b.a.unplug(), lambda a: a.read(R, 1), errno.ENODEV),
        (None, lambda a: (a.close(), a.read(R, 1)), errno.ENODEV),
    ],
)
def test_failure_errno(bench, adapter, recorder, arrange, call, expected):
    if arrange:
        arrange(bench, recorder)
    with pytest.raises(OSError) as raised:
        call(adapter)
    assert raised.value.errno == expected
    assert raised.value.strerror


@pytest.mark.parametrize(
    "serial, kwargs, environment, expected",
    [
        ("SIM-B-0002", {}, None, "SIM-B-0002"),
        (2, {}, None, "SIM-C-0003"),
        ("c", {}, None, "SIM-C-0003"),
        (None, {}, "SIM-B-0002", "SIM-B-0002"),
        ("B", {"speed": 400_000, "pull_ups": False}, None, "SIM-B-0002"),
        (None, {}, None, errno.EINVAL),
        ("SIM-X-9999", {}, None, errno.ENODEV),
        ("A", {"pull_ups": True}, None, errno.EOPNOTSUPP),
        ("B", {"speed": 1_000_000}, None, errno.EOPNOTSUPP),
    ],
)
def test_adapter_selection(bench, monkeypatch, serial, kwargs, environment, expected):
    if environment:
        monkeypatch.setenv("VTL_ADAPTER", environment)
    else:
        monkeypatch.delenv("VTL_ADAPTER", raising=False)
    if isinstance(expected, int):
        with pytest.raises(OSError) as raised:
            vtl_i2c.Adapter(serial, **kwargs)
        assert raised.value.errno == expected
        return
    with vtl_i2c.Adapter(serial, **kwargs) as opened:
        assert opened.info.serial == expected
        assert opened.speed == kwargs.get("speed", 100_000)


def test_speed_and_pull_ups_reach_the_adapter(bench):
    with vtl_i2c.Adapter("B") as opened:
        opened.speed = 400_000
        opened.pull_ups = False
        assert (opened.speed, opened.pull_ups, bench.b.pull_ups) == (400_000, False, False)
        assert bench.b.speed_code == 1  # the protocol's code of 400 kbit/s
        with pytest.raises(OSError) as raised:
            opened.speed = 10_000
        assert raised.value.errno == errno.EOPNOTSUPP
    with vtl_i2c.Adapter("A") as opened, pytest.raises(ValueError):
        opened.speed = 123


def test_scan_info_and_listing(bench, adapter):
    assert adapter.scan() == [0x23, 0x40, 0x48, 0x50]
    assert adapter.scan(0x40, 0x48) == [0x40, 0x48]
    assert adapter.probe(0x48) and not adapter.probe(0x49)
    listed = vtl_i2c.adapters()
    assert [(e.index, e.model, e.serial) for e in listed] == [
        (0, "A", "SIM-A-0001"),
        (1, "B", "SIM-B-0002"),
        (2, "C", "SIM-C-0003"),
    ]
    assert "SIM-B-0002" in repr(listed[1])
    assert (adapter.info.model, adapter.info.firmware) == ("A", listed[0].firmware)


def test_closes_on_exit_and_garbage_collection(bench):
    with vtl_i2c.Adapter("A"):
        assert bench.a.i2c_enabled
    assert not bench.a.i2c_enabled
    opened = vtl_i2c.Adapter("A")
    assert bench.a.i2c_enabled
    del opened
    gc.collect()
    assert not bench.a.i2c_enabled


def test_ctrl_c_cancels_a_long_read_and_the_adapter_stays_usable(bench):
    # 65,535 bytes at 1 ms frames take over a second; Ctrl+C must end it long before.
    bench.a.set_frame_period(1000)
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    with vtl_i2c.Adapter("A") as opened:
        timer = threading.Timer(0.2, interrupt)
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            opened.read(0x50, 65535)
        stopped = time.monotonic() - sent[0]
        timer.join()
        assert stopped < 0.1
        assert opened.write_read(0x50, b"\x00", 5) == b"Bench"


@pytest.mark.parametrize(
    "call",
    [
        lambda a: Message(R, b"\x01", read=1),
        lambda a: Message(0x80, b"\x01"),
        lambda a: a.read(R, 0),
        lambda a: a.write(R, [1, 256]),
        lambda a: a.transfer("w2@0x30 01"),
        lambda a: a.transfer([]),
        lambda a: a.smbus("read_nibble", R),
        lambda a: a.smbus("read_byte_data", R, 0x100),
        lambda a: vtl_i2c.Adapter("A", speed=123_000),
    ],
)
def test_arguments_refused_before_the_bus(adapter, recorder, call):
    with pytest.raises(ValueError):
        call(adapter)
    assert recorder.events == []


def test_waiting_on_the_bus_lets_other_threads_run(bench):
    # A read of over a second at 1 ms frames; a thread counting meanwhile needs the GIL.
    bench.a.set_frame_period(1000)
    counted = []
    done = threading.Event()

    def count():
        while not done.is_set():
            counted.append(1)
            time.sleep(0.001)

    with vtl_i2c.Adapter("A") as opened:
        counter = threading.Thread(target=count)
        counter.start()
        assert opened.read(0x50, 65535)[:5] == b"Bench"
        done.set()
        counter.join()
    assert len(counted) > 10  # holding the GIL would leave it at 1 or 2


def test_threads_sharing_an_adapter_take_turns(bench, adapter):
    bench.a.add_recorder(0x31, b"\x5a")
    results = {}

    def reads(address, expected):
        results[address] = all(
            adapter.write_read(address, b"\x00", 5) == expected for _ in range(200)
        )

    threads = [
        threading.Thread(target=reads, args=(0x50, b"Bench")),
        threading.Thread(target=reads, args=(0x31, b"\x5a" * 5)),
    ]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == {0x50: True, 0x31: True}


def test_a_replugged_adapter_opens_again(bench):
    opened = vtl_i2c.Adapter("A")
    bench.a.unplug()
    with pytest.raises(OSError):
        opened.scan()
    bench.a.plug()
    with vtl_i2c.Adapter("A") as again:
        assert again.probe(0x50)


def test_adapters_left_open_are_switched_off_at_exit(tmp_path):
    # An exit handler registered before the import runs after the package's own.
    script = tmp_path / "left_open.py"
    script.write_text(
        "import atexit\n"
        "state = {}\n"
        "atexit.register(lambda: print('enabled at exit:', state['bench'].a.i2c_enabled))\n"
        "import vtl_i2c\n"
        "state['bench'] = vtl_i2c.sim.attach_bench()\n"
        "bus = vtl_i2c.Adapter('A')\n"
        "print('enabled:', state['bench'].a.i2c_enabled)\n"
    )
    result = subprocess.run(
        [sys.executable, str(script)], capture_output=True, text=True, timeout=60, check=True
    )
    assert result.stdout.split("\n")[:2] == ["enabled: True", "enabled at exit: False"]
