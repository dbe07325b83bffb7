// SPDX-License-Identifier: MIT
#pragma once

#include "SEepromPart.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The presets of the 24 series and the geometry checks every front end applies, to a preset
// and to a custom part alike.
namespace EepromParts {

const std::vector<SEepromPart> &All();

// The preset a name stands for: "24x16", "24c16", "24LC16", "24aa16", "AT24C16" and so on,
// in any letter case, also as printed on chips ("24LC02B-I/SN", "M24C02-WMN6TP").
std::optional<SEepromPart> Find(std::string_view name);

// A custom part: block bits in the device address for what the address bytes cannot reach.
SEepromPart Custom(std::size_t size, std::size_t pageSize, int addressBytes);

// Why the geometry cannot be a part, or empty: the page a power of two not larger than the
// part, the size a multiple of the page, the address bytes (1 or 2) reaching the size.
std::string CheckGeometry(const SEepromPart &part);

// The device addresses a part may have as its base (block bits clear), and whether `base`
// is one.
std::vector<std::uint8_t> BaseAddresses(const SEepromPart &part);
bool IsBaseAddress(const SEepromPart &part, std::uint8_t base);

} // namespace EepromParts
