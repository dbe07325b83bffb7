// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"

#include <QString>

#include <optional>
#include <string>

struct SBusAdapterInfo;

// Where the transaction of an output table row went, so a saved log says it whatever the
// address notation of the window: the adapter (model and serial), its bus speed and the
// slave's 7-bit address (none for a bus search).
struct STableRowOrigin
{
    QString adapter;
    QString speed;
    std::optional<unsigned char> address;

    // "VantrelA SN T-1", "100 kHz" and the address of a transaction on that adapter.
    static STableRowOrigin Of(const std::wstring &model, const std::wstring &serial,
                              EI2cSpeed speed, std::optional<unsigned char> address);
    static STableRowOrigin Of(const SBusAdapterInfo &info, std::optional<unsigned char> address);
    // The address as "0x28", or an empty text without one.
    QString AddressText() const;
};
