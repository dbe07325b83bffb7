// SPDX-License-Identifier: MIT
#include "SBusAdapterInfo.h"

#include "CVtlI2c.h"

SBusAdapterInfo SBusAdapterInfo::FromDriver(const CVtlI2c &driver, EVtlType type)
{
    SBusAdapterInfo info;
    static_cast<SAdapterCapabilities &>(info) = SAdapterCapabilities::FromDriver(driver);
    info.type = type;
    info.serial = driver.GetSerialNumber();
    info.productName = driver.GetProductName();
    info.firmware = driver.GetFirmware();
    info.speed = driver.GetSpeed();
    info.pullUpsEnabled = driver.GetPullUpsEnabled();
    return info;
}
