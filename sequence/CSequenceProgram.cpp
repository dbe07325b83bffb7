// SPDX-License-Identifier: MIT
#include "CSequenceProgram.h"

#include "SequenceParser.h"

#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint64_t MOST = std::numeric_limits<std::uint64_t>::max();

std::uint64_t Times(std::uint64_t a, std::uint64_t b)
{
    return a != 0 && b > MOST / a ? MOST : a * b;
}

std::uint64_t Plus(std::uint64_t a, std::uint64_t b)
{
    return b > MOST - a ? MOST : a + b;
}

} // namespace

CSequenceProgram::CSequenceProgram(std::vector<SSequenceStep> steps)
    : m_steps(std::move(steps))
    , m_runs(m_steps.size(), 1)
    , m_stepCount(m_steps.size())
{
    m_nodes.reserve(m_steps.size());
    for (std::size_t i = 0; i < m_steps.size(); ++i)
        m_nodes.push_back({SNode::EKind::Step, i});
}

std::optional<CSequenceProgram> CSequenceProgram::Build(const std::vector<SSequenceEntry> &entries,
                                                        std::optional<std::uint8_t> address,
                                                        SSequenceError &error)
{
    struct SOpen
    {
        std::size_t node;
        std::size_t stepsBefore;
        std::uint64_t runsBefore;
    };
    CSequenceProgram program;
    std::vector<SOpen> open;
    std::uint64_t runs = 1;
    const auto close = [&] {
        const SOpen repeat = open.back();
        open.pop_back();
        // A body without steps is passed once, so that walking it costs nothing.
        if (program.m_steps.size() == repeat.stepsBefore)
            program.m_nodes[repeat.node].value = 1;
        program.m_nodes.push_back({SNode::EKind::End, repeat.node});
        runs = repeat.runsBefore;
    };
    for (const SSequenceEntry &entry : entries) {
        switch (entry.kind) {
        case SSequenceEntry::EKind::Repeat:
            if (entry.count == 0) {
                error = {entry.step.line, 1, u"the count of repeat must not be 0"_s};
                return std::nullopt;
            }
            open.push_back({program.m_nodes.size(), program.m_steps.size(), runs});
            program.m_nodes.push_back({SNode::EKind::Repeat, entry.count});
            runs = Times(runs, entry.count);
            break;
        case SSequenceEntry::EKind::End:
            // Parse pairs every end with a repeat; a stray one has nothing to close.
            if (!open.empty())
                close();
            break;
        case SSequenceEntry::EKind::Step: {
            if (entry.deviceAddressColumn != 0 && !address) {
                error = {entry.step.line, entry.deviceAddressColumn,
                         u"this message names no address (@ADDR) and there is no device "
                         u"address to take"_s};
                return std::nullopt;
            }
            SSequenceStep step = entry.step;
            for (STransferMessage &message : step.messages) {
                if (message.deviceAddress) {
                    message.address = *address;
                    message.deviceAddress = false;
                }
            }
            program.m_nodes.push_back({SNode::EKind::Step, program.m_steps.size()});
            program.m_steps.push_back(std::move(step));
            program.m_runs.push_back(runs);
            program.m_stepCount = Plus(program.m_stepCount, runs);
            break;
        }
        }
    }
    // An unclosed repeat (entries not from Parse) ends with the text.
    while (!open.empty())
        close();
    return program;
}

CSequenceCursor::CSequenceCursor(const CSequenceProgram &program)
    : m_program(program)
{}

const SSequenceStep *CSequenceCursor::Next()
{
    using EKind = CSequenceProgram::SNode::EKind;
    const std::vector<CSequenceProgram::SNode> &nodes = m_program.m_nodes;
    while (m_node < nodes.size()) {
        const CSequenceProgram::SNode &node = nodes[m_node];
        switch (node.kind) {
        case EKind::Step:
            ++m_node;
            ++m_position;
            m_stepIndex = std::size_t(node.value);
            return &m_program.m_steps[m_stepIndex];
        case EKind::Repeat:
            m_roundsLeft.push_back(node.value);
            ++m_node;
            break;
        case EKind::End:
            if (--m_roundsLeft.back() > 0) {
                m_node = std::size_t(node.value) + 1;
            } else {
                m_roundsLeft.pop_back();
                ++m_node;
            }
            break;
        }
    }
    return nullptr;
}
