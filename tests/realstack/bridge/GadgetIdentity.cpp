// SPDX-License-Identifier: MIT
#include "GadgetIdentity.h"

#include <cstdio>

namespace {

// The addresses a default detect probes.
constexpr unsigned FIRST_PROBED = 0x08;
constexpr unsigned LAST_PROBED = 0x77;

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
    return text;
}

// USB strings of the simulated adapters stay inside the Basic Multilingual Plane.
std::string Utf8(const std::optional<std::wstring> &text)
{
    std::string out;
    for (const wchar_t unit : text.value_or(std::wstring())) {
        const auto code = static_cast<unsigned>(unit) & 0xFFFFu;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

char ModelLetter(ESimModel model)
{
    switch (model) {
    case ESimModel::A:
        return 'A';
    case ESimModel::B:
        return 'B';
    case ESimModel::C:
        return 'C';
    }
    return '?';
}

} // namespace

std::string GadgetIdentityLine(const CSimAdapter &adapter)
{
    const SSimAdapterConfig config = adapter.GetConfig();
    std::string interfaces;
    for (const int number : adapter.GetInterfaceNumbers())
        interfaces += (interfaces.empty() ? "" : ",") + std::to_string(number);
    std::string slaves;
    for (unsigned address = FIRST_PROBED; address <= LAST_PROBED; ++address) {
        if (adapter.GetSlave(static_cast<std::uint8_t>(address)) != nullptr)
            slaves += (slaves.empty() ? "" : ",") + Hex4(address).substr(2);
    }
    std::string line(1, ModelLetter(config.model));
    for (const std::string &field :
         {Hex4(config.vendorId), Hex4(config.productId), Hex4(config.releaseNumber),
          Utf8(config.serialNumber), Utf8(config.manufacturer), Utf8(config.product),
          std::to_string(adapter.GetSpecialInterface()), interfaces, slaves})
        line += '\t' + field;
    return line;
}
