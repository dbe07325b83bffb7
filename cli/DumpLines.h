// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

// Registers or memory as hex with an ASCII column, 16 cells to a line, each line led by the
// offset of its first cell in `offsetDigits` hex digits. Lines start at multiples of 16, so
// a range that does not start or end on one leaves the cells outside it blank. A cell that
// `missing` marks (a register that did not answer) shows XX and X, as i2cdump shows it.
namespace DumpLines {

QString Format(std::size_t firstOffset, const std::vector<unsigned char> &data, int offsetDigits,
               const std::vector<bool> &missing = {});
// The bytes as hex pairs, XX for a missing one: the dump's JSON "data".
QString Hex(const std::vector<unsigned char> &data, const std::vector<bool> &missing = {});

} // namespace DumpLines
