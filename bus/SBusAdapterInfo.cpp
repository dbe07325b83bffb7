// SPDX-License-Identifier: MIT
#include "SBusAdapterInfo.h"

#include "CVtlI2c.h"

namespace {

// The codes 0 to 4; which of them a model takes, its driver tells.
constexpr int SPEED_CODES = 5;

} // namespace

bool SBusAdapterInfo::IsSpeedSupported(EI2cSpeed code) const
{
    const auto value = static_cast<unsigned>(code);
    return value < SPEED_CODES && (supportedSpeeds & (1U << value)) != 0;
}

SBusAdapterInfo SBusAdapterInfo::FromDriver(const CVtlI2c &driver, EVtlType type)
{
    SBusAdapterInfo info;
    info.type = type;
    info.typeName = driver.GetTypeName();
    info.serial = driver.GetSerialNumber();
    info.productName = driver.GetProductName();
    info.firmware = driver.GetFirmware();
    info.speed = driver.GetSpeed();
    info.hasPullUpSwitch = driver.HasPullUpSwitch();
    info.pullUpsEnabled = driver.GetPullUpsEnabled();
    info.maxReadCount = driver.GetMaxReadCount();
    for (int code = 0; code < SPEED_CODES; ++code) {
        if (driver.IsSpeedSupported(static_cast<EI2cSpeed>(code)))
            info.supportedSpeeds |= 1U << code;
    }
    return info;
}
