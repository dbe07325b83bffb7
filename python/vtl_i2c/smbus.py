# SPDX-License-Identifier: MIT
"""An smbus2-compatible bus on a Vantrel adapter.

``SMBus`` has the constructor, methods, signatures and return types of smbus2's
``SMBus``, so a driver written for a Linux ``/dev/i2c-N`` runs unchanged when it is
handed a ``vtl_i2c.SMBus`` instead::

    import bme280
    from vtl_i2c import SMBus

    with SMBus("vtl:S-1") as bus:
        calibration = bme280.load_calibration_params(bus, 0x76)
        print(bme280.sample(bus, 0x76, calibration))

Failures raise ``OSError`` with the errno an i2c-dev program would see: ENXIO when the
address is not acknowledged, ETIMEDOUT when the adapter does not answer, EOPNOTSUPP for what
the adapter's model cannot do, EBADMSG for a wrong PEC, ENODEV when the adapter is gone.
"""

import ctypes
import errno
from enum import IntFlag

from ._native import Adapter, Message

__all__ = ["SMBus", "i2c_msg", "I2cFunc", "I2C_M_RD", "I2C_SMBUS_BLOCK_MAX"]

I2C_SMBUS_BLOCK_MAX = 32
I2C_M_RD = 0x0001
# The kernel's limit of messages in one combined transaction.
I2C_RDWR_MSGS_MAX = 42


class I2cFunc(IntFlag):
    """The I2C_FUNC_* bits of ``SMBus.funcs``, with the values of Linux's i2c.h."""

    I2C = 0x00000001
    ADDR_10BIT = 0x00000002
    PROTOCOL_MANGLING = 0x00000004
    SMBUS_PEC = 0x00000008
    NOSTART = 0x00000010
    SLAVE = 0x00000020
    SMBUS_BLOCK_PROC_CALL = 0x00008000
    SMBUS_QUICK = 0x00010000
    SMBUS_READ_BYTE = 0x00020000
    SMBUS_WRITE_BYTE = 0x00040000
    SMBUS_READ_BYTE_DATA = 0x00080000
    SMBUS_WRITE_BYTE_DATA = 0x00100000
    SMBUS_READ_WORD_DATA = 0x00200000
    SMBUS_WRITE_WORD_DATA = 0x00400000
    SMBUS_PROC_CALL = 0x00800000
    SMBUS_READ_BLOCK_DATA = 0x01000000
    SMBUS_WRITE_BLOCK_DATA = 0x02000000
    SMBUS_READ_I2C_BLOCK = 0x04000000
    SMBUS_WRITE_I2C_BLOCK = 0x08000000
    SMBUS_HOST_NOTIFY = 0x10000000

    SMBUS_BYTE = 0x00060000
    SMBUS_BYTE_DATA = 0x00180000
    SMBUS_WORD_DATA = 0x00600000
    SMBUS_BLOCK_DATA = 0x03000000
    SMBUS_I2C_BLOCK = 0x0C000000
    SMBUS_EMUL = 0x0EFF0008


class i2c_msg(ctypes.Structure):
    """One message of a combined transaction for ``SMBus.i2c_rdwr``.

    Laid out as Linux's ``struct i2c_msg`` (and as smbus2's class): ``addr``, ``flags``
    (``I2C_M_RD`` for a read), ``len`` and ``buf``. After ``i2c_rdwr`` a read message holds
    what was read: iterate it for ints, or take ``bytes(msg)``.
    """

    _fields_ = [
        ("addr", ctypes.c_uint16),
        ("flags", ctypes.c_uint16),
        ("len", ctypes.c_uint16),
        ("buf", ctypes.POINTER(ctypes.c_char)),
    ]

    def __iter__(self):
        for index in range(self.len):
            yield self.buf[index][0]

    def __len__(self):
        return self.len

    def __bytes__(self):
        return ctypes.string_at(self.buf, self.len)

    def __repr__(self):
        return "i2c_msg(%d,%d,%r)" % (self.addr, self.flags, self.__bytes__())

    def __str__(self):
        return self.__bytes__().decode(errors="ignore")

    @staticmethod
    def read(address, length):
        """A read of ``length`` bytes from the 7-bit ``address``."""
        buffer = ctypes.create_string_buffer(length)
        return i2c_msg(addr=address, flags=I2C_M_RD, len=length, buf=buffer)

    @staticmethod
    def write(address, buf):
        """A write of ``buf`` (bytes, a list of ints, or a str of code points below 256)."""
        data = bytes(map(ord, buf)) if isinstance(buf, str) else bytes(buf)
        buffer = ctypes.create_string_buffer(data, len(data))
        return i2c_msg(addr=address, flags=0, len=len(data), buf=buffer)


def _message_bytes(msg):
    """The bytes a write message carries, from ours, smbus2's or any duck-typed message."""
    buf = msg.buf
    if isinstance(buf, (bytes, bytearray, memoryview, list, tuple)):
        return bytes(buf[: msg.len])
    return ctypes.string_at(buf, msg.len)


def _fill_message(msg, data):
    """Puts what a read message read into its buffer."""
    buf = msg.buf
    if isinstance(buf, (bytearray, memoryview, list)):
        buf[: len(data)] = data
    else:
        ctypes.memmove(buf, data, len(data))


def _check_address(address):
    if not 0 <= address <= 0x7F:
        raise OSError(errno.EINVAL, "I2C address 0x%X is not a 7-bit address" % address)


class SMBus:
    """An smbus2-compatible SMBus on a Vantrel adapter.

    ``bus`` is an adapter's place in the list (int), ``"vtl:SERIAL"`` (or any text the
    command line takes: a serial number, a place, a model letter), an open ``vtl_i2c.Adapter``
    (which stays open after ``close()``; the caller owns it), or None to ``open()`` later.
    ``force`` is kept for compatibility: no kernel driver claims addresses here, so every
    address is always usable.

    ``block_limit`` lifts smbus2's 32-byte limit of ``read_i2c_block_data`` and
    ``write_i2c_block_data`` (up to what the adapter reads or writes in one transaction);
    the SMBus block protocols keep their 32 bytes, which their count byte announces.
    """

    def __init__(self, bus=None, force=False, *, block_limit=I2C_SMBUS_BLOCK_MAX):
        self.fd = None
        self.funcs = I2cFunc(0)
        self._adapter = None
        self._owns_adapter = False
        self._block_limit = block_limit
        if bus is not None:
            self.open(bus)
        self.address = None
        self.force = force
        self._force_last = None
        self._pec = 0

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc_val, exc_tb):
        self.close()

    def __del__(self):
        self.close()

    @property
    def adapter(self):
        """The ``vtl_i2c.Adapter`` the bus runs on, None while closed."""
        return self._adapter

    @property
    def block_limit(self):
        """The longest I2C block ``read_i2c_block_data``/``write_i2c_block_data`` take."""
        return self._block_limit

    def open(self, bus):
        """Opens an adapter: its place (int), ``"vtl:SERIAL"`` or an ``Adapter``."""
        self.close()
        if isinstance(bus, Adapter):
            adapter, owned = bus, False
        elif isinstance(bus, bool) or not isinstance(bus, (int, str)):
            raise TypeError("Unexpected type(bus)={}".format(type(bus)))
        else:
            choice = bus[4:] if isinstance(bus, str) and bus.startswith("vtl:") else bus
            adapter, owned = Adapter(choice), True
        self._adapter, self._owns_adapter = adapter, owned
        self.fd = adapter.info.serial
        self.funcs = self._get_funcs()

    def close(self):
        """Closes the adapter if this bus opened it; PEC goes back off."""
        adapter = getattr(self, "_adapter", None)
        if adapter is not None and self._owns_adapter:
            adapter.close()
        self._adapter = None
        self.fd = None
        self._pec = 0

    def _get_funcs(self):
        info = self._adapter.info
        funcs = (
            I2cFunc.I2C
            | I2cFunc.SMBUS_EMUL
            | I2cFunc.SMBUS_READ_BLOCK_DATA
            | I2cFunc.SMBUS_BLOCK_PROC_CALL
        )
        if not info.can_quick:
            funcs &= ~I2cFunc.SMBUS_QUICK
        return funcs

    def _get_pec(self):
        return self._pec

    def enable_pec(self, enable=True):
        """Switches the packet error code of the SMBus protocols on or off."""
        if not (self.funcs & I2cFunc.SMBUS_PEC):
            raise IOError("SMBUS_PEC is not a feature")
        self._pec = int(enable)

    pec = property(_get_pec, enable_pec)
    """SMBus PEC: 0 disabled (the default), 1 enabled."""

    def _bus(self, address, force):
        if self._adapter is None:
            raise OSError(errno.EBADF, "The bus is not open")
        _check_address(address)
        self.address = address
        self._force_last = force if force is not None else self.force
        return self._adapter

    def _smbus(self, operation, address, force, command=0, data=b"", length=32, pec=None):
        adapter = self._bus(address, force)
        use_pec = bool(self._pec) if pec is None else pec
        return adapter.smbus(operation, address, command & 0xFF, bytes(data), length=length,
                             pec=use_pec)

    def write_quick(self, i2c_addr, force=None):
        """The address with the write bit and nothing else; EOPNOTSUPP where the model
        cannot send it."""
        if not (self.funcs & I2cFunc.SMBUS_QUICK):
            self._bus(i2c_addr, force)
            raise OSError(errno.EOPNOTSUPP, "This adapter model cannot send an address alone")
        # Linux sends no PEC with a quick command.
        self._smbus("quick", i2c_addr, force, pec=False)

    def read_byte(self, i2c_addr, force=None):
        """One byte read; returns it as an int."""
        return self._smbus("receive_byte", i2c_addr, force)[0]

    def write_byte(self, i2c_addr, value, force=None):
        """One byte written."""
        self._smbus("send_byte", i2c_addr, force, command=value)

    def read_byte_data(self, i2c_addr, register, force=None):
        """The byte of ``register``, as an int."""
        return self._smbus("read_byte_data", i2c_addr, force, register)[0]

    def write_byte_data(self, i2c_addr, register, value, force=None):
        """Writes ``value`` (8 bits) to ``register``."""
        self._smbus("write_byte_data", i2c_addr, force, register, bytes([value & 0xFF]))

    def read_word_data(self, i2c_addr, register, force=None):
        """The word of ``register``, low byte first on the wire, as an int."""
        data = self._smbus("read_word_data", i2c_addr, force, register)
        return int.from_bytes(data[:2], "little")

    def write_word_data(self, i2c_addr, register, value, force=None):
        """Writes ``value`` (16 bits, low byte first) to ``register``."""
        word = (value & 0xFFFF).to_bytes(2, "little")
        self._smbus("write_word_data", i2c_addr, force, register, word)

    def process_call(self, i2c_addr, register, value, force=None):
        """Writes a word to ``register`` and returns the word read after a repeated start."""
        word = (value & 0xFFFF).to_bytes(2, "little")
        data = self._smbus("process_call", i2c_addr, force, register, word)
        return int.from_bytes(data[:2], "little")

    def read_block_data(self, i2c_addr, register, force=None):
        """An SMBus block read: the bytes the slave's count byte announces, as a list."""
        return list(self._smbus("read_block_data", i2c_addr, force, register))

    def write_block_data(self, i2c_addr, register, data, force=None):
        """An SMBus block write: a count byte, then ``data`` (at most 32 bytes)."""
        if len(data) > I2C_SMBUS_BLOCK_MAX:
            raise ValueError("Data length cannot exceed %d bytes" % I2C_SMBUS_BLOCK_MAX)
        self._smbus("write_block_data", i2c_addr, force, register, bytes(data))

    def block_process_call(self, i2c_addr, register, data, force=None):
        """Writes a block and returns the block read after a repeated start, as a list."""
        if len(data) > I2C_SMBUS_BLOCK_MAX:
            raise ValueError("Data length cannot exceed %d bytes" % I2C_SMBUS_BLOCK_MAX)
        return list(self._smbus("block_process_call", i2c_addr, force, register, bytes(data)))

    def read_i2c_block_data(self, i2c_addr, register, length, force=None):
        """``length`` bytes from ``register`` on, without a count byte, as a list."""
        if length > self._block_limit:
            raise ValueError("Desired block length over %d bytes" % self._block_limit)
        if length <= I2C_SMBUS_BLOCK_MAX:
            # Linux sends no PEC with I2C block transfers.
            return list(self._smbus("read_i2c_block", i2c_addr, force, register, length=length,
                                    pec=False))
        adapter = self._bus(i2c_addr, force)
        return list(adapter.write_read(i2c_addr, bytes([register & 0xFF]), length))

    def write_i2c_block_data(self, i2c_addr, register, data, force=None):
        """Writes ``data`` from ``register`` on, without a count byte."""
        if len(data) > self._block_limit:
            raise ValueError("Data length cannot exceed %d bytes" % self._block_limit)
        if len(data) <= I2C_SMBUS_BLOCK_MAX:
            self._smbus("write_i2c_block", i2c_addr, force, register, bytes(data), pec=False)
            return
        adapter = self._bus(i2c_addr, force)
        adapter.write(i2c_addr, bytes([register & 0xFF]) + bytes(data))

    def i2c_rdwr(self, *i2c_msgs):
        """Runs the messages as one transaction: repeated starts between them, one stop.

        Takes ``vtl_i2c.i2c_msg`` objects, smbus2's own, or any object with ``addr``,
        ``flags``, ``len`` and ``buf``; read messages get what was read in their buffers.
        """
        if self._adapter is None:
            raise OSError(errno.EBADF, "The bus is not open")
        if not i2c_msgs or len(i2c_msgs) > I2C_RDWR_MSGS_MAX:
            raise OSError(errno.EINVAL, "A combined transaction takes 1 to %d messages"
                          % I2C_RDWR_MSGS_MAX)
        messages = []
        for msg in i2c_msgs:
            _check_address(msg.addr)
            if msg.flags & ~I2C_M_RD:
                raise OSError(errno.EOPNOTSUPP,
                              "Message flags 0x%04X are not supported" % msg.flags)
            if msg.flags & I2C_M_RD:
                messages.append(Message(msg.addr, read=msg.len))
            else:
                messages.append(Message(msg.addr, data=_message_bytes(msg)))
        results = self._adapter.transfer(messages)
        reads = [msg for msg in i2c_msgs if msg.flags & I2C_M_RD]
        for msg, data in zip(reads, _read_results(i2c_msgs, results)):
            _fill_message(msg, data)


def _read_results(i2c_msgs, results):
    """What the read messages read, whether ``transfer`` answers each message or the reads."""
    if len(results) == len(i2c_msgs):
        return [data for msg, data in zip(i2c_msgs, results) if msg.flags & I2C_M_RD]
    return list(results)
