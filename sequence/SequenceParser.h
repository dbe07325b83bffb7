// SPDX-License-Identifier: MIT
#pragma once

#include "CSequenceProgram.h"
#include "SSequenceStep.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A parsed sequence before it is expanded: its steps and the repeats around them.
struct SSequenceEntry
{
    enum class EKind
    {
        Step,
        Repeat,
        End,
    };
    EKind kind = EKind::Step;
    SSequenceStep step;
    // Repeat: how often the entries up to its End run.
    std::size_t count = 0;
    // Step: the column of the first message that leaves its address to the device (0: none).
    int deviceAddressColumn = 0;
};

// The line language of sequences: transfers in the transfer command's message syntax, in
// which a message without @ADDR talks to the sequence's device, "delay 10ms",
// "expect <transfer> == BYTES [mask BYTES]",
// "poll <transfer> until BYTES [mask BYTES] every T timeout T", "repeat N" ... "end",
// "echo TEXT", comments after '#' and blank lines. Addresses are 7-bit.
namespace SequenceParser {

// Expand unrolls repeats to at most this many steps, so a mistyped count cannot exhaust
// memory; a program walks its repeats and needs no such bound.
inline constexpr std::size_t MAX_STEPS = 1000000;
inline constexpr std::size_t MAX_REPEAT = 1000000;

// Every line checked, or none with the first error's line and column.
std::optional<std::vector<SSequenceEntry>> Parse(const QStringList &lines, SSequenceError &error);

// The steps in the order they run, with `address` for messages that name none, as a list:
// for a look at every step of a short sequence.
std::optional<std::vector<SSequenceStep>> Expand(const std::vector<SSequenceEntry> &entries,
                                                 std::optional<std::uint8_t> address,
                                                 SSequenceError &error);

// Both in one, as a list of at most MAX_STEPS steps.
std::optional<std::vector<SSequenceStep>> ParseAndExpand(const QStringList &lines,
                                                         std::optional<std::uint8_t> address,
                                                         SSequenceError &error);

// The sequence as it runs, its repeats kept as loops, with `address` for messages that name
// none: what a runner and a dry run walk.
std::optional<CSequenceProgram>
ParseProgram(const QStringList &lines, std::optional<std::uint8_t> address, SSequenceError &error);

// How many lines of the text are steps or repeats (neither blank nor comment).
int CountStepLines(const QStringList &lines);

} // namespace SequenceParser
