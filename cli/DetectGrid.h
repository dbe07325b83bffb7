// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The bus scan as the usual 8 x 16 grid: a header of column digits 0 to f, rows 00: to 70:,
// "--" for a probed address that stayed silent, the address's two hex digits for one that
// answered and blanks for addresses not probed. The grid is laid out by 7-bit address; in
// 8-bit notation an answering cell shows the 8-bit (write) address.
namespace DetectGrid {

QString Format(std::uint8_t first, std::uint8_t last, const std::vector<std::uint8_t> &found,
               bool eightBit);

} // namespace DetectGrid
