# SPDX-License-Identifier: MIT
"""Fixtures of the Python package's tests: the preset bench of the simulator, fresh for
each test, and adapter A of it with a recording slave at 0x30."""

import pytest

import vtl_i2c
from vtl_i2c import sim

RECORDER = 0x30


@pytest.fixture
def bench():
    sim.detach_all()
    yield sim.attach_bench()
    vtl_i2c._native._close_all()
    sim.detach_all()


@pytest.fixture
def adapter(bench):
    with vtl_i2c.Adapter("SIM-A-0001") as opened:
        yield opened


@pytest.fixture
def recorder(bench):
    return bench.a.add_recorder(RECORDER, b"\xab\xcd")
