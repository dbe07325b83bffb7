// SPDX-License-Identifier: MIT
#include "CVtlAi2c.h"

#include "VtlUsbIds.h"

namespace {

constexpr int SPECIAL_MODE_INTERFACE = 2;
constexpr auto HIGHEST_SPEED_CODE = static_cast<std::uint8_t>(EI2cSpeed::Speed1000k);
constexpr std::size_t MAX_READ_COUNT = 65535;

} // namespace

CVtlAi2c::CVtlAi2c()
    : CVtlI2c(VTL_USB_PRODUCT_ID_A, SPECIAL_MODE_INTERFACE)
{}

CVtlAi2c::CVtlAi2c(std::uint16_t productId, int interfaceNumber)
    : CVtlI2c(productId, interfaceNumber)
{}

std::wstring CVtlAi2c::GetTypeName() const
{
    return L"VantrelA";
}

bool CVtlAi2c::IsSpeedSupported(EI2cSpeed speed) const
{
    return static_cast<std::uint8_t>(speed) <= HIGHEST_SPEED_CODE;
}

std::size_t CVtlAi2c::GetMaxReadCount() const
{
    return MAX_READ_COUNT;
}

bool CVtlAi2c::EnumerateDevices(std::vector<std::wstring> &serials)
{
    return EnumerateInterface(VTL_USB_PRODUCT_ID_A, SPECIAL_MODE_INTERFACE, serials);
}

unsigned char CVtlAi2c::GetEnableFlags(EI2cSpeed speed) const
{
    return static_cast<unsigned char>(speed);
}

void CVtlAi2c::FillReadRequest(std::vector<unsigned char> &report, unsigned char address,
                               std::size_t count) const
{
    // The address byte sits between the two count bytes.
    report[1] = static_cast<unsigned char>(count & 0xFF);
    report[2] = static_cast<unsigned char>((address << 1) | 1);
    report[3] = static_cast<unsigned char>((count >> 8) & 0xFF);
}
