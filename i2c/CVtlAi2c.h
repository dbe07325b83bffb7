// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlI2c.h"

// Model A: all five speeds, reads of up to 65535 bytes, no pull-up switch.
class CVtlAi2c : public CVtlI2c
{
public:
    CVtlAi2c();

    std::wstring GetTypeName() const override;
    bool IsSpeedSupported(EI2cSpeed speed) const override;
    std::size_t GetMaxReadCount() const override;

    static bool EnumerateDevices(std::vector<std::wstring> &serials);

protected:
    CVtlAi2c(std::uint16_t productId, int interfaceNumber);

    unsigned char GetEnableFlags(EI2cSpeed speed) const override;
    void FillReadRequest(std::vector<unsigned char> &report, unsigned char address,
                         std::size_t count) const override;
};
