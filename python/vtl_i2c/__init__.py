# SPDX-License-Identifier: MIT
"""Talk to I2C devices through Vantrel USB adapters.

    >>> import vtl_i2c
    >>> vtl_i2c.adapters()
    >>> with vtl_i2c.Adapter() as bus:
    ...     bus.scan()
    ...     bus.write_read(0x48, b"\\x00", 2)

Every failure on the bus raises OSError with the errno a Linux i2c-dev program would see
(ENXIO when no device answers, ETIMEDOUT, EOPNOTSUPP for what the model cannot do, ...).
"""

import atexit as _atexit

from . import _native
from ._native import (
    Adapter,
    AdapterEntry,
    AdapterInfo,
    Eeprom,
    Identified,
    Message,
    Part,
    RegisterMap,
    SequenceError,
    StepRecord,
    adapters,
    identify,
    parts,
)
from .registers import Device, Field, Register

# The smbus2-style bus and the busio-style bus are modules of their own, in pure Python on
# the native Adapter; vtl_i2c.SMBus and vtl_i2c.i2c_msg are the smbus module's.
from . import busio  # noqa: F401
from .smbus import I2cFunc, SMBus, i2c_msg  # noqa: F401

if hasattr(_native, "sim"):
    import sys as _sys

    sim = _native.sim
    _sys.modules[__name__ + ".sim"] = sim

# Adapters still open at exit are switched off before the interpreter goes away.
_atexit.register(_native._close_all)

__all__ = [
    "Adapter",
    "AdapterEntry",
    "AdapterInfo",
    "Device",
    "Eeprom",
    "Field",
    "Identified",
    "Message",
    "Part",
    "Register",
    "RegisterMap",
    "SequenceError",
    "StepRecord",
    "adapters",
    "identify",
    "parts",
]
