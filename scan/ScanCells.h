// SPDX-License-Identifier: MIT
#pragma once

#include "PartIdentify.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CPartLibrary;

// What one cell of the scan grid says about its address.
struct SScanCell
{
    enum class EState
    {
        NotProbed,
        Silent,
        Found,
    };
    EState state = EState::NotProbed;
    bool reserved = false; // 0x00-0x07 and 0x78-0x7F
    QString text;          // the address, and below it what sits there
    QString toolTip;       // every candidate
};

// The texts of the scan grid: a found address with the project device at it, else the
// identified part, else the number of library parts that can sit there.
namespace ScanCells {

using AddressFormatter = std::function<QString(std::uint8_t)>;
// The name of the project device at an address, if there is one.
using ProjectLookup = std::function<std::optional<QString>(std::uint8_t)>;

inline constexpr int COLUMNS = 16;
inline constexpr int ROWS = 8;

// All 128 cells, by address. `matches` holds the found addresses in ascending order.
std::vector<SScanCell> Build(std::uint8_t first, std::uint8_t last,
                             const std::vector<SPartMatch> &matches, const CPartLibrary &library,
                             const AddressFormatter &format, const ProjectLookup &project);

} // namespace ScanCells
