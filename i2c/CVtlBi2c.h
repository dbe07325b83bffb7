// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlI2c.h"

// Model B: 50, 100 and 400 kbit/s, reads of up to 256 bytes, switchable internal
// pull-ups, and firmware that cannot put an address-only write on the bus.
class CVtlBi2c : public CVtlI2c
{
public:
    CVtlBi2c();

    bool Write(const std::vector<unsigned char> &data, SI2cWriteResult &result, bool generateStart,
               bool generateStop) override;
    bool Probe(unsigned char address) override;
    std::wstring GetTypeName() const override;
    bool IsSpeedSupported(EI2cSpeed speed) const override;
    std::size_t GetMaxReadCount() const override;
    bool HasPullUpSwitch() const override;
    bool SetPullUpsEnabled(bool enabled) override;
    bool GetPullUpsEnabled() const override;
    bool CanWriteAddressOnly() const override;

    static bool EnumerateDevices(std::vector<std::wstring> &serials);

protected:
    unsigned char GetEnableFlags(EI2cSpeed speed) const override;
    void FillReadRequest(std::vector<unsigned char> &report, unsigned char address,
                         std::size_t count) const override;
    bool ApplyConfiguration(EI2cSpeed speed) override;

private:
    bool m_pullUpsEnabled = true;
};
