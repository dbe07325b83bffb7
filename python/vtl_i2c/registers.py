# SPDX-License-Identifier: MIT
"""Registers of a device by name, on the register map of its device file."""

from __future__ import annotations

from typing import Any, Dict, Optional, Union

from . import _native


class Register:
    """One register as read: ``raw`` (the bits), ``value`` (in units, or the enum text, for a
    register of one field; else the bits), ``text`` (as the command line prints it) and
    ``fields`` (name -> Field). Its fields are attributes too; setting one
    (``dev.CONFIG.SD = 1``) is a read-modify-write on the device."""

    __slots__ = ("_device", "_index", "name", "raw", "value", "text", "fields")

    def __init__(self, device: "Device", index: int, raw: int) -> None:
        value, text, fields = device._map.decode(index, raw)
        object.__setattr__(self, "_device", device)
        object.__setattr__(self, "_index", index)
        object.__setattr__(self, "name", device._map.registers[index])
        object.__setattr__(self, "raw", raw)
        object.__setattr__(self, "value", value)
        object.__setattr__(self, "text", text)
        object.__setattr__(
            self, "fields", {name: Field(name, *parts) for name, parts in fields.items()}
        )

    def __getattr__(self, name: str) -> Any:
        field = self._field(name)
        return self.fields[field].value

    def __setattr__(self, name: str, value: Any) -> None:
        field = self._field(name)
        self._device.write_field(f"{self.name}.{field}", value)

    def _field(self, name: str) -> str:
        index = self._device._map.find_field(self._index, name)
        if index < 0:
            raise AttributeError(f"register {self.name} has no field {name}")
        return self._device._map.fields(self._index)[index]

    def __int__(self) -> int:
        return self.raw

    def __repr__(self) -> str:
        text = f" {self.text}" if self.text else ""
        return f"<{self.name} = {self.raw:#x}{text}>"


class Field:
    """One field of a register as read: its bits (``raw``), its ``value`` (the enum text,
    the number in its unit, or the bits as a number) and ``text``."""

    __slots__ = ("name", "raw", "value", "text")

    def __init__(self, name: str, raw: int, value: Any, text: str) -> None:
        self.name = name
        self.raw = raw
        self.value = value
        self.text = text

    def __repr__(self) -> str:
        return f"<{self.name} = {self.text}>"


class Device:
    """A device on an adapter with the register map of its device file or library part:
    ``dev.read("TEMP")`` or ``dev.TEMP`` reads a register, ``dev.write("CONFIG", 0x60A0)``
    or ``dev.CONFIG = 0x60A0`` writes one, ``dev.write_field("CONFIG.SD", 1)`` or
    ``dev.CONFIG.SD = 1`` changes one field (read-modify-write), ``dev.read_all()`` reads
    what Read All reads (never a register whose reading clears something)."""

    def __init__(
        self, adapter: _native.Adapter, file_or_part: str, address: Optional[int] = None
    ) -> None:
        object.__setattr__(self, "_adapter", adapter)
        object.__setattr__(self, "_map", _native.RegisterMap(str(file_or_part)))
        object.__setattr__(
            self, "address", self._map.address if address is None else int(address)
        )

    @property
    def name(self) -> str:
        """The device's name in its file."""
        return self._map.name

    @property
    def registers(self) -> list:
        """The register names in file order."""
        return list(self._map.registers)

    def _index(self, name: str) -> int:
        index = self._map.find(name)
        if index < 0:
            raise KeyError(f"{self._map.name} has no register {name}")
        return index

    def read(self, name: str) -> Register:
        """Reads one register."""
        index = self._index(name)
        return Register(self, index, self._map.read(self._adapter, self.address, [index])[index])

    def read_all(self) -> Dict[str, Register]:
        """Every register Read All reads, by name, in address order."""
        values = self._map.read_all(self._adapter, self.address)
        return {reg.name: reg for reg in (Register(self, i, v) for i, v in values.items())}

    def write(self, name: str, value: Union[int, str]) -> int:
        """Writes a whole register (a number, or a text as the command line takes it);
        returns the value written."""
        return self._map.write(self._adapter, self.address, self._index(name), value)

    def write_field(self, name: str, value: Union[int, float, str, bool]) -> int:
        """Writes "REGISTER.FIELD" by read-modify-write: a number in the field's unit, an
        enum text, or "raw:N" for its bits. Returns the register value written."""
        register, _, field = name.partition(".")
        index = self._index(register)
        field_index = self._map.find_field(index, field) if field else -1
        if field_index < 0:
            raise KeyError(f"register {register} has no field {field!r}")
        return self._map.write_field(self._adapter, self.address, index, field_index, value)

    def __getattr__(self, name: str) -> Register:
        if name.startswith("_") or self._map.find(name) < 0:
            raise AttributeError(name)
        return self.read(name)

    def __setattr__(self, name: str, value: Any) -> None:
        if self._map.find(name) < 0:
            raise AttributeError(f"{self._map.name} has no register {name}")
        self.write(name, value)

    def __dir__(self):
        return sorted(set(super().__dir__()) | set(self._map.registers))

    def __repr__(self) -> str:
        return f"<Device {self._map.name} at {self.address:#04x}>"
