// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <pybind11/pybind11.h>
#include <vector>

// The conversions every binding shares between Python's values and the core's.
namespace PyValues {

// A 7-bit address; ValueError otherwise.
std::uint8_t Address(int address);
// bytes, bytearray, memoryview, or a sequence of ints 0 to 255; ValueError otherwise.
std::vector<unsigned char> Bytes(const pybind11::object &data);
pybind11::bytes ToBytes(const std::vector<unsigned char> &data);

} // namespace PyValues
