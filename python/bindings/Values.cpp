// SPDX-License-Identifier: MIT
#include "Values.h"

#include <string>

namespace py = pybind11;

namespace PyValues {

std::uint8_t Address(int address)
{
    if (address < 0 || address > 0x7F)
        throw py::value_error("address " + std::to_string(address) +
                              " is not a 7-bit I2C address (0 to 0x7F)");
    return static_cast<std::uint8_t>(address);
}

// bytes, bytearray, memoryview, or a sequence of ints 0 to 255.
std::vector<unsigned char> Bytes(const py::object &data)
{
    if (py::isinstance<py::buffer>(data)) {
        const py::buffer_info info = py::reinterpret_borrow<py::buffer>(data).request();
        const auto *first = static_cast<const unsigned char *>(info.ptr);
        return {first, first + info.size * info.itemsize};
    }
    std::vector<unsigned char> bytes;
    for (const py::handle item : data) {
        const int value = item.cast<int>();
        if (value < 0 || value > 0xFF)
            throw py::value_error("data: " + std::to_string(value) + " is not a byte (0 to 255)");
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

py::bytes ToBytes(const std::vector<unsigned char> &data)
{
    return {reinterpret_cast<const char *>(data.data()), data.size()};
}

} // namespace PyValues
