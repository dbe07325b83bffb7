// SPDX-License-Identifier: MIT
#include "CVtlBi2c.h"

#include "VtlUsbIds.h"

namespace {

constexpr int SPECIAL_MODE_INTERFACE = 1;
constexpr auto HIGHEST_SPEED_CODE = static_cast<std::uint8_t>(EI2cSpeed::Speed50k);
constexpr std::size_t MAX_READ_COUNT = 256;
constexpr unsigned char FLAG_PULL_UPS_OFF = 0x80;

} // namespace

CVtlBi2c::CVtlBi2c()
    : CVtlI2c(VTL_USB_PRODUCT_ID_B, SPECIAL_MODE_INTERFACE)
{}

bool CVtlBi2c::Write(const std::vector<unsigned char> &data, SI2cWriteResult &result,
                     bool generateStart, bool generateStop)
{
    if (generateStart && generateStop && data.size() == 1) {
        result = SI2cWriteResult{};
        SetLastError(EFailureKind::NotSupported,
                     "Address-only write is not supported by the VantrelB");
        return false;
    }
    return CVtlI2c::Write(data, result, generateStart, generateStop);
}

bool CVtlBi2c::Probe(unsigned char address)
{
    // The firmware cannot send an address alone, so a one-byte read does the probing.
    SI2cReadResult result;
    return CVtlI2c::Read(address, 1, result);
}

std::wstring CVtlBi2c::GetTypeName() const
{
    return L"VantrelB";
}

bool CVtlBi2c::IsSpeedSupported(EI2cSpeed speed) const
{
    return static_cast<std::uint8_t>(speed) <= HIGHEST_SPEED_CODE;
}

std::size_t CVtlBi2c::GetMaxReadCount() const
{
    return MAX_READ_COUNT;
}

bool CVtlBi2c::HasPullUpSwitch() const
{
    return true;
}

bool CVtlBi2c::SetPullUpsEnabled(bool enabled)
{
    const bool previous = m_pullUpsEnabled;
    m_pullUpsEnabled = enabled;
    // While disconnected the setting waits for the configuration sent by Connect.
    if (previous == enabled || !IsConnected())
        return true;
    if (ApplyConfiguration(GetSpeed()))
        return true;
    m_pullUpsEnabled = previous;
    return false;
}

bool CVtlBi2c::GetPullUpsEnabled() const
{
    return m_pullUpsEnabled;
}

bool CVtlBi2c::CanWriteAddressOnly() const
{
    return false;
}

bool CVtlBi2c::EnumerateDevices(std::vector<std::wstring> &serials)
{
    return EnumerateInterface(VTL_USB_PRODUCT_ID_B, SPECIAL_MODE_INTERFACE, serials);
}

unsigned char CVtlBi2c::GetEnableFlags(EI2cSpeed speed) const
{
    auto flags = static_cast<unsigned char>(speed);
    if (!m_pullUpsEnabled)
        flags |= FLAG_PULL_UPS_OFF;
    return flags;
}

void CVtlBi2c::FillReadRequest(std::vector<unsigned char> &report, unsigned char address,
                               std::size_t count) const
{
    // One count byte only: 256 goes out as 0.
    report[1] = static_cast<unsigned char>(count & 0xFF);
    report[2] = static_cast<unsigned char>((address << 1) | 1);
}

bool CVtlBi2c::ApplyConfiguration(EI2cSpeed speed)
{
    // The firmware takes a new configuration only while the I2C function is off.
    if (!SendEnable(false, 0))
        return false;
    return SendEnable(true, GetEnableFlags(speed));
}
