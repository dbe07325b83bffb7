# SPDX-License-Identifier: MIT
from os import PathLike
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Tuple, Union

from .registers import Device as Device, Field as Field, Register as Register
from .smbus import SMBus as SMBus, i2c_msg as i2c_msg, I2cFunc as I2cFunc
from . import busio as busio

BytesLike = Union[bytes, bytearray, memoryview, Sequence[int]]
ImageData = Union[BytesLike, str, PathLike]
Progress = Optional[Callable[[int, int], Any]]

class SequenceError(OSError):
    line: int

class AdapterEntry:
    index: int
    model: str
    serial: str
    product: str
    firmware: int
    usable: bool
    error: str

class AdapterInfo:
    model: str
    type_name: str
    serial: str
    product: str
    firmware: int
    speed: int
    speeds: List[int]
    has_pull_ups: bool
    can_quick: bool
    max_read: int
    max_write: int

class Message:
    addr: int
    data: bytes
    read: Optional[int]
    def __init__(self, addr: int, data: BytesLike = b"", read: Optional[int] = None) -> None: ...

class StepRecord:
    line: int
    kind: str
    status: str
    read: bytes
    attempts: int
    duration_us: int
    message: str

class Adapter:
    closed: bool
    info: AdapterInfo
    speed: int
    pull_ups: Optional[bool]
    def __init__(
        self,
        serial: Union[str, int, None] = None,
        *,
        speed: int = 100_000,
        pull_ups: Optional[bool] = None,
    ) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Adapter": ...
    def __exit__(self, *args: Any) -> bool: ...
    def write(self, addr: int, data: BytesLike, *, start: bool = True, stop: bool = True) -> None: ...
    def read(self, addr: int, count: int, *, start: bool = True, stop: bool = True) -> bytes: ...
    def write_read(self, addr: int, data: BytesLike, count: int) -> bytes: ...
    def transfer(self, messages: Union[str, Iterable[Message]]) -> List[bytes]: ...
    def probe(self, addr: int) -> bool: ...
    def scan(self, first: int = 0x08, last: int = 0x77) -> List[int]: ...
    def smbus(
        self,
        operation: str,
        addr: int,
        command: int = 0,
        data: BytesLike = b"",
        *,
        length: int = 32,
        pec: bool = False,
    ) -> bytes: ...
    def run_sequence(
        self, path_or_text: Union[str, PathLike], address: Optional[int] = None
    ) -> List[StepRecord]: ...

class Part:
    name: str
    kind: str
    description: str
    addresses: List[int]
    can_identify: bool
    path: str

class Identified:
    address: int
    identified: Optional[str]
    most_likely: Optional[str]
    ranking: List[Tuple[str, str]]
    not_identified: List[str]

class RegisterMap:
    name: str
    address: int
    registers: List[str]
    def __init__(self, file_or_part: str) -> None: ...
    def find(self, name: str) -> int: ...
    def find_field(self, reg: int, name: str) -> int: ...
    def fields(self, reg: int) -> List[str]: ...
    def readable(self, reg: int) -> bool: ...
    def decode(self, reg: int, raw: int) -> Tuple[Any, str, Dict[str, Tuple[int, Any, str]]]: ...
    def read(self, adapter: Adapter, addr: int, registers: List[int]) -> Dict[int, int]: ...
    def read_all(self, adapter: Adapter, addr: int) -> Dict[int, int]: ...
    def write(self, adapter: Adapter, addr: int, reg: int, value: Any) -> int: ...
    def write_field(self, adapter: Adapter, addr: int, reg: int, field: int, value: Any) -> int: ...

class Eeprom:
    part: str
    size: int
    page_size: int
    address: int
    def __init__(self, adapter: Adapter, part: str = "24c256", address: int = 0x50) -> None: ...
    def read(self, offset: int = 0, length: Optional[int] = None, *, progress: Progress = None) -> bytes: ...
    def write(
        self, data: ImageData, offset: int = 0, *, verify: bool = True, progress: Progress = None
    ) -> None: ...
    def verify(self, data: ImageData, offset: int = 0, *, progress: Progress = None) -> bool: ...
    def erase(self, offset: int = 0, length: Optional[int] = None, *, progress: Progress = None) -> None: ...
    def save(self, path: Union[str, PathLike], offset: int = 0, length: Optional[int] = None) -> None: ...

def adapters() -> List[AdapterEntry]: ...
def parts(text: Optional[str] = None) -> List[Part]: ...
def identify(adapter: Adapter, first: int = 0x08, last: int = 0x77) -> List[Identified]: ...
