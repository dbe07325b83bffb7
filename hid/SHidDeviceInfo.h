// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// One enumerated HID interface. A composite USB device yields one record per HID
// interface, all with the same serial number and different interface numbers.
struct SHidDeviceInfo
{
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::wstring serialNumber;
    std::wstring manufacturerString;
    std::wstring productString;
    std::uint16_t releaseNumber = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::int32_t interfaceNumber = -1;
};
