# SPDX-License-Identifier: MIT
"""A CircuitPython-style ``busio.I2C`` on a Vantrel adapter.

CircuitPython sensor drivers take an ``I2C`` object and lock it, scan it, write to it and
read from it; this class has the same methods, so such a driver runs unchanged on a PC::

    from vtl_i2c.busio import I2C

    with I2C(frequency=400_000) as i2c:
        while not i2c.try_lock():
            pass
        print([hex(address) for address in i2c.scan()])
        i2c.unlock()

Bus failures raise ``OSError`` with the same errno values as ``vtl_i2c.SMBus``.
"""

import errno
import threading

from ._native import Adapter

__all__ = ["I2C"]

SCAN_FIRST = 0x08
SCAN_LAST = 0x77

# One lock per adapter in this process, so that two I2C objects on the same adapter
# exclude each other as two drivers on one CircuitPython bus do.
_locks = {}
_locks_guard = threading.Lock()


def _lock_of(serial):
    with _locks_guard:
        return _locks.setdefault(serial, threading.Lock())


def _span(buffer, start, end):
    """The bytes of ``buffer[start:end]`` as a writable byte view."""
    view = memoryview(buffer).cast("B")
    return view[start:end]


class I2C:
    """An I2C bus in the manner of CircuitPython's ``busio.I2C``.

    ``adapter`` is an open ``vtl_i2c.Adapter`` (left open by ``deinit()``; the caller owns
    it), a selector as ``vtl_i2c.Adapter`` takes one (serial number, place, model letter), or
    None for ``VTL_ADAPTER`` or the only adapter attached. ``frequency`` in Hz sets the bus
    clock; None leaves it as it is (100 kHz for an adapter opened here).

    As in CircuitPython, every bus method needs the lock: ``try_lock()`` first, ``unlock()``
    after. The lock is shared by all ``I2C`` objects on one adapter in this process.
    """

    def __init__(self, adapter=None, *, frequency=None):
        self._adapter = None
        self._owns_adapter = False
        if isinstance(adapter, Adapter):
            self._adapter = adapter
        else:
            self._adapter = Adapter(adapter)
            self._owns_adapter = True
        if frequency is not None:
            self._adapter.speed = frequency
        self._lock = _lock_of(self._adapter.info.serial)
        self._locked = False

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc_val, exc_tb):
        self.deinit()

    def __del__(self):
        self.deinit()

    def _check_open(self):
        if self._adapter is None:
            raise ValueError("Object has been deinitialized and can no longer be used. "
                             "Create a new object.")

    def _check_lock(self):
        self._check_open()
        if not self._locked:
            raise RuntimeError("Function requires lock")

    def deinit(self):
        """Releases the bus: the lock, and the adapter if this object opened it."""
        adapter = getattr(self, "_adapter", None)
        if adapter is None:
            return
        if self._locked:
            self.unlock()
        if self._owns_adapter:
            adapter.close()
        self._adapter = None

    @property
    def frequency(self):
        """The bus clock in Hz."""
        self._check_open()
        return self._adapter.speed

    def try_lock(self):
        """Takes the bus if no one holds it; returns whether it did."""
        self._check_open()
        if self._locked or not self._lock.acquire(blocking=False):
            return False
        self._locked = True
        return True

    def unlock(self):
        """Gives the bus back."""
        self._check_open()
        if not self._locked:
            raise ValueError("Not locked")
        self._locked = False
        self._lock.release()

    def scan(self):
        """The 7-bit addresses from 0x08 to 0x77 that answer, in ascending order."""
        self._check_lock()
        return list(self._adapter.scan(SCAN_FIRST, SCAN_LAST))

    def probe(self, address):
        """Whether a slave acknowledges ``address``."""
        self._check_lock()
        return bool(self._adapter.probe(address))

    def readfrom_into(self, address, buffer, *, start=0, end=None):
        """Reads ``len(buffer[start:end])`` bytes from ``address`` into that span."""
        self._check_lock()
        span = _span(buffer, start, end)
        if len(span) == 0:
            raise ValueError("Buffer must be at least length 1")
        span[:] = self._adapter.read(address, len(span))

    def writeto(self, address, buffer, *, start=0, end=None):
        """Writes ``buffer[start:end]`` to ``address``. An empty span sends the address
        alone (a presence poll), which raises OSError EOPNOTSUPP where the adapter's model
        cannot send that."""
        self._check_lock()
        span = _span(buffer, start, end)
        if len(span) == 0 and not self._adapter.info.can_quick:
            raise OSError(errno.EOPNOTSUPP, "This adapter model cannot send an address alone")
        self._adapter.write(address, bytes(span))

    def writeto_then_readfrom(self, address, buffer_out, buffer_in, *, out_start=0,
                              out_end=None, in_start=0, in_end=None):
        """Writes ``buffer_out[out_start:out_end]``, then after a repeated start reads into
        ``buffer_in[in_start:in_end]``: one transaction, one stop."""
        self._check_lock()
        out_span = _span(buffer_out, out_start, out_end)
        in_span = _span(buffer_in, in_start, in_end)
        if len(in_span) == 0:
            raise ValueError("Buffer must be at least length 1")
        if len(out_span) == 0:
            in_span[:] = self._adapter.read(address, len(in_span))
            return
        in_span[:] = self._adapter.write_read(address, bytes(out_span), len(in_span))
