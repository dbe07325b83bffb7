// SPDX-License-Identifier: MIT
#include "CVtlCi2c.h"

#include "VtlUsbIds.h"

namespace {

constexpr int SPECIAL_MODE_INTERFACE = 2;

} // namespace

CVtlCi2c::CVtlCi2c()
    : CVtlAi2c(VTL_USB_PRODUCT_ID_C, SPECIAL_MODE_INTERFACE)
{}

std::wstring CVtlCi2c::GetTypeName() const
{
    return L"VantrelC";
}

bool CVtlCi2c::EnumerateDevices(std::vector<std::wstring> &serials)
{
    return EnumerateInterface(VTL_USB_PRODUCT_ID_C, SPECIAL_MODE_INTERFACE, serials);
}
