// SPDX-License-Identifier: MIT
#pragma once

#include "SSequenceStep.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// Steps written back as sequence lines, which parse to the same steps again: for a dry run,
// for the rows saved from the log and for messages about a step.
namespace SequenceText {

// "10ms", "500us", "2s": the largest unit that holds the duration exactly.
QString Duration(std::chrono::microseconds duration);

// The messages in the transfer syntax. An address is written where it changes; messages
// that start with `deviceAddress` leave it out, so the line follows the device. `eightBit`
// writes addresses in 8-bit notation, as the command line's --8bit shows them.
QString Transfer(const std::vector<STransferMessage> &messages,
                 std::optional<std::uint8_t> deviceAddress = std::nullopt, bool eightBit = false);

QString Step(const SSequenceStep &step, std::optional<std::uint8_t> deviceAddress = std::nullopt,
             bool eightBit = false);

} // namespace SequenceText
