// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// The adapter models of the family.
enum class EVtlType : std::uint8_t
{
    VtlA = 0,
    VtlB = 1,
    VtlC = 2,
};

// One attached adapter: its model and USB serial number.
struct SVtlDeviceEntry
{
    EVtlType type = EVtlType::VtlA;
    std::wstring serial;
};
