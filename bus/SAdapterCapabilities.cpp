// SPDX-License-Identifier: MIT
#include "SAdapterCapabilities.h"

#include "CVtlDeviceFactory.h"

#include <array>
#include <utility>

namespace {

// The codes 0 to 4; which of them a model takes, its driver tells.
constexpr int SPEED_CODES = 5;

// By rising clock, which is not the order of the codes.
constexpr std::array<std::pair<int, EI2cSpeed>, SPEED_CODES> SPEEDS_RISING{{
    {10, EI2cSpeed::Speed10k},
    {50, EI2cSpeed::Speed50k},
    {100, EI2cSpeed::Speed100k},
    {400, EI2cSpeed::Speed400k},
    {1000, EI2cSpeed::Speed1000k},
}};

constexpr std::array<EVtlType, 3> MODELS{EVtlType::VtlA, EVtlType::VtlB, EVtlType::VtlC};

} // namespace

bool SAdapterCapabilities::IsSpeedSupported(EI2cSpeed code) const
{
    const auto value = static_cast<unsigned>(code);
    return value < SPEED_CODES && (supportedSpeeds & (1U << value)) != 0;
}

std::vector<EI2cSpeed> SAdapterCapabilities::SpeedsRising() const
{
    std::vector<EI2cSpeed> speeds = I2cSpeedsRising();
    std::erase_if(speeds, [this](EI2cSpeed code) { return !IsSpeedSupported(code); });
    return speeds;
}

SAdapterCapabilities SAdapterCapabilities::FromDriver(const CVtlI2c &driver)
{
    SAdapterCapabilities capabilities;
    capabilities.typeName = driver.GetTypeName();
    for (int code = 0; code < SPEED_CODES; ++code) {
        if (driver.IsSpeedSupported(static_cast<EI2cSpeed>(code)))
            capabilities.supportedSpeeds |= 1U << code;
    }
    capabilities.hasPullUpSwitch = driver.HasPullUpSwitch();
    capabilities.canWriteAddressOnly = driver.CanWriteAddressOnly();
    capabilities.maxReadCount = driver.GetMaxReadCount();
    capabilities.maxWriteCount = driver.GetMaxWriteCount();
    return capabilities;
}

const SAdapterCapabilities *SAdapterCapabilities::OfModel(EVtlType type)
{
    // An unconnected driver of each model answers once; it opens nothing.
    static const std::array<SAdapterCapabilities, MODELS.size()> KNOWN = [] {
        std::array<SAdapterCapabilities, MODELS.size()> known;
        for (std::size_t i = 0; i < MODELS.size(); ++i)
            known[i] = FromDriver(*CVtlDeviceFactory::Create(MODELS[i]));
        return known;
    }();
    for (std::size_t i = 0; i < MODELS.size(); ++i) {
        if (MODELS[i] == type)
            return &KNOWN[i];
    }
    return nullptr;
}

int I2cSpeedKbits(EI2cSpeed speed)
{
    for (const auto &[kbits, code] : SPEEDS_RISING) {
        if (code == speed)
            return kbits;
    }
    return 0;
}

std::vector<EI2cSpeed> I2cSpeedsRising()
{
    std::vector<EI2cSpeed> speeds;
    for (const auto &[kbits, code] : SPEEDS_RISING)
        speeds.push_back(code);
    return speeds;
}

std::optional<EI2cSpeed> I2cSpeedOfKbits(unsigned long kbits)
{
    for (const auto &[clock, code] : SPEEDS_RISING) {
        if (static_cast<unsigned long>(clock) == kbits)
            return code;
    }
    return std::nullopt;
}
