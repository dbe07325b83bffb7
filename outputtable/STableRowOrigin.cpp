// SPDX-License-Identifier: MIT
#include "STableRowOrigin.h"

#include "NumberText.h"
#include "SBusAdapterInfo.h"

using namespace Qt::StringLiterals;

namespace {

int kilohertz(EI2cSpeed speed)
{
    switch (speed) {
    case EI2cSpeed::Speed10k:
        return 10;
    case EI2cSpeed::Speed50k:
        return 50;
    case EI2cSpeed::Speed100k:
        return 100;
    case EI2cSpeed::Speed400k:
        return 400;
    case EI2cSpeed::Speed1000k:
        return 1000;
    }
    return 0;
}

} // namespace

STableRowOrigin STableRowOrigin::Of(const std::wstring &model, const std::wstring &serial,
                                    EI2cSpeed speed, std::optional<unsigned char> address)
{
    return {QString::fromStdWString(model) + u" SN "_s + QString::fromStdWString(serial),
            u"%1 kHz"_s.arg(kilohertz(speed)), address};
}

STableRowOrigin STableRowOrigin::Of(const SBusAdapterInfo &info,
                                    std::optional<unsigned char> address)
{
    return Of(info.typeName, info.serial, info.speed, address);
}

QString STableRowOrigin::AddressText() const
{
    if (!address)
        return {};
    return NumberText::Hex(*address, 2);
}
