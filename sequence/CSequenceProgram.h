// SPDX-License-Identifier: MIT
#pragma once

#include "SSequenceStep.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct SSequenceEntry;

// A checked sequence ready to run: each step once as it is written, with the device address
// filled in, and the repeats kept as loops. A run walks it with loop counters
// (CSequenceCursor), so its memory follows the length of the text, not how often the steps
// repeat.
class CSequenceProgram
{
public:
    CSequenceProgram() = default;
    // Steps that run once each, in this order.
    explicit CSequenceProgram(std::vector<SSequenceStep> steps);

    // The entries as Parse gives them (every repeat closed by its end); fails on the first
    // message that names no address when `address` is not given.
    static std::optional<CSequenceProgram> Build(const std::vector<SSequenceEntry> &entries,
                                                 std::optional<std::uint8_t> address,
                                                 SSequenceError &error);

    // Each step once, in the order of the text.
    const std::vector<SSequenceStep> &Steps() const { return m_steps; }
    // How many steps a run takes, repeats counted; the largest number when more.
    std::uint64_t StepCount() const { return m_stepCount; }
    // How often the step `index` of Steps() runs.
    std::uint64_t RunsOf(std::size_t index) const { return m_runs[index]; }
    bool IsEmpty() const { return m_stepCount == 0; }

private:
    friend class CSequenceCursor;

    struct SNode
    {
        enum class EKind
        {
            Step,
            Repeat,
            End,
        };
        EKind kind = EKind::Step;
        // Step: its index in m_steps; Repeat: how often its body runs; End: the index of
        // its Repeat.
        std::uint64_t value = 0;
    };

    std::vector<SSequenceStep> m_steps;
    std::vector<std::uint64_t> m_runs;
    std::vector<SNode> m_nodes;
    std::uint64_t m_stepCount = 0;
};

// The steps of a program in the order they run, one at a time: the position in the text and
// a counter for each repeat it is inside, nothing else.
class CSequenceCursor
{
public:
    explicit CSequenceCursor(const CSequenceProgram &program);

    // The next step, or nullptr after the last one.
    const SSequenceStep *Next();
    // The index in Steps() of the step Next() gave last.
    std::size_t StepIndex() const { return m_stepIndex; }
    // How many steps Next() has given.
    std::uint64_t Position() const { return m_position; }

private:
    const CSequenceProgram &m_program;
    std::size_t m_node = 0;
    std::vector<std::uint64_t> m_roundsLeft;
    std::size_t m_stepIndex = 0;
    std::uint64_t m_position = 0;
};
