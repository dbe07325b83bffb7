// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The simulated adapter models; their USB identities are the program's own constants.
enum class ESimModel : std::uint8_t
{
    A,
    B,
    C,
};

inline constexpr std::size_t SIM_REPORT_SIZE = 64;
inline constexpr std::size_t SIM_MAX_CHUNK = 62;

inline constexpr std::uint8_t SIM_REPORT_ENABLE = 0x01;
inline constexpr std::uint8_t SIM_REPORT_WRITE = 0x02;
inline constexpr std::uint8_t SIM_REPORT_READ = 0x03;

// Everything a host can see of an adapter before opening it. ForModel() fills in the
// model's vendor and product ID and plausible strings; change any field afterwards.
struct SSimAdapterConfig
{
    ESimModel model = ESimModel::A;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::wstring> serialNumber; // none: the adapter reports no serial string
    std::optional<std::wstring> manufacturer;
    std::optional<std::wstring> product;
    std::uint16_t releaseNumber = 0x0100;
    // Some systems list one HID interface twice; the copy has a path of its own.
    bool listSpecialInterfaceTwice = false;
    // An adapter whose special-mode interface the system does not list.
    bool omitSpecialInterface = false;

    static SSimAdapterConfig ForModel(ESimModel model,
                                      std::optional<std::wstring> serialNumber = std::nullopt);
};

// Interface number of the special-mode reports: 2 on models A and C, 1 on model B.
int SimSpecialInterface(ESimModel model);
