// SPDX-License-Identifier: MIT
#include "CVtlDeviceFactory.h"

#include "CVtlAi2c.h"
#include "CVtlBi2c.h"
#include "CVtlCi2c.h"

namespace {

using FEnumerate = bool (*)(std::vector<std::wstring> &serials);

void AppendDevices(EVtlType type, FEnumerate enumerate, std::vector<SVtlDeviceEntry> &list)
{
    std::vector<std::wstring> serials;
    enumerate(serials);
    for (std::wstring &serial : serials)
        list.push_back(SVtlDeviceEntry{type, std::move(serial)});
}

} // namespace

std::vector<SVtlDeviceEntry> CVtlDeviceFactory::EnumerateDevices()
{
    std::vector<SVtlDeviceEntry> list;
    AppendDevices(EVtlType::VtlA, CVtlAi2c::EnumerateDevices, list);
    AppendDevices(EVtlType::VtlB, CVtlBi2c::EnumerateDevices, list);
    AppendDevices(EVtlType::VtlC, CVtlCi2c::EnumerateDevices, list);
    return list;
}

std::unique_ptr<CVtlI2c> CVtlDeviceFactory::Create(EVtlType type)
{
    switch (type) {
    case EVtlType::VtlA:
        return std::make_unique<CVtlAi2c>();
    case EVtlType::VtlB:
        return std::make_unique<CVtlBi2c>();
    case EVtlType::VtlC:
        return std::make_unique<CVtlCi2c>();
    }
    return nullptr;
}
