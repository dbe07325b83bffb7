// SPDX-License-Identifier: MIT
#include "CEepromEngine.h"

#include "EepromAddressing.h"
#include "NumberText.h"

#include <algorithm>
#include <utility>

namespace {

constexpr unsigned char BLANK = 0xFF;

SBusProcedureResult Cancelled()
{
    return {false, true, "cancelled"};
}

SBusProcedureResult Failed(std::string error)
{
    return {false, false, std::move(error)};
}

std::string OffsetText(std::size_t offset)
{
    return NumberText::Hex(offset, 4).toStdString();
}

SBusProcedureResult FromRecord(const STransactionRecord &record)
{
    if (record.cancelled)
        return Cancelled();
    return Failed(record.lastError);
}

// Adds the offsets where `actual` differs from `expected` as runs from `offset` on; a run
// that goes on where the last one ended is joined to it.
void AddDifferences(std::size_t offset, const std::vector<unsigned char> &actual,
                    const std::vector<unsigned char> &expected, SEepromOutcome &outcome)
{
    const std::size_t count = std::min(actual.size(), expected.size());
    std::size_t at = 0;
    while (at < count) {
        const auto found = std::mismatch(actual.begin() + std::ptrdiff_t(at),
                                         actual.begin() + std::ptrdiff_t(count),
                                         expected.begin() + std::ptrdiff_t(at));
        at = std::size_t(found.first - actual.begin());
        if (at == count)
            break;
        std::size_t end = at + 1;
        while (end < count && actual[end] != expected[end])
            ++end;
        if (outcome.differing.empty()) {
            outcome.expected = expected[at];
            outcome.actual = actual[at];
        }
        if (!outcome.differing.empty() && outcome.differing.back().End() == offset + at)
            outcome.differing.back().length += end - at;
        else
            outcome.differing.push_back({offset + at, end - at});
        at = end;
    }
}

} // namespace

std::size_t SEepromOutcome::DifferingCount() const
{
    std::size_t count = 0;
    for (const SByteRun &run : differing)
        count += run.length;
    return count;
}

std::optional<std::size_t> SEepromOutcome::FirstDifference() const
{
    if (differing.empty())
        return std::nullopt;
    return differing.front().offset;
}

CEepromEngine::CEepromEngine(SEepromPart part, std::uint8_t base)
    : m_part(std::move(part))
    , m_base(base)
{}

SBusProcedureResult CEepromEngine::Read(CBusContext &context, std::size_t offset,
                                        std::size_t length, SEepromOutcome &outcome) const
{
    return ReadRange(context, offset, length, outcome, 0, length);
}

SBusProcedureResult CEepromEngine::ReadRange(CBusContext &context, std::size_t offset,
                                             std::size_t length, SEepromOutcome &outcome,
                                             std::size_t progressBase,
                                             std::size_t progressTotal) const
{
    const std::size_t maxRead = context.Adapter().maxReadCount;
    if (maxRead == 0)
        return Failed("the adapter reads no bytes");
    outcome.data.reserve(outcome.data.size() + length);
    for (std::size_t done = 0; done < length;) {
        const std::size_t at = offset + done;
        if (context.IsCancelRequested()) {
            outcome.failedAt = at;
            return Cancelled();
        }
        const std::size_t count =
            std::min(maxRead, EepromAddressing::ReadSpan(m_part, at, length - done));
        const SEepromLocation location = EepromAddressing::Locate(m_part, m_base, at);
        // One transaction may be the whole part: its bytes count as they arrive.
        const STransactionRecord record = context.ExecuteCounted(
            STransactionRequest::WriteRead(location.deviceAddress, location.addressBytes, count),
            progressBase + done, progressTotal);
        const std::vector<unsigned char> &bytes = record.read.data;
        const std::size_t arrived = std::min(bytes.size(), count);
        outcome.data.insert(outcome.data.end(), bytes.begin(),
                            bytes.begin() + std::ptrdiff_t(arrived));
        outcome.done += record.ok ? count : arrived;
        if (!record.ok) {
            outcome.failedAt = at + arrived;
            return FromRecord(record);
        }
        done += count;
        context.ReportProgress(progressBase + done, progressTotal);
    }
    return {};
}

SBusProcedureResult CEepromEngine::Program(CBusContext &context, const SMemoryImage &image,
                                           SEepromOutcome &outcome) const
{
    // Offsets past the part would wrap into its first bytes or select another chip.
    if (image.End() > m_part.size) {
        return {false, false,
                "the image reaches offset " + OffsetText(image.End() - 1) + ", beyond the part",
                EFailureKind::InvalidArgument};
    }
    const std::size_t total = image.ByteCount();
    std::size_t reported = 0;
    for (const SImageSegment &segment : image.segments) {
        for (std::size_t done = 0; done < segment.bytes.size();) {
            const std::size_t at = segment.offset + done;
            if (context.IsCancelRequested()) {
                outcome.failedAt = at;
                return Cancelled();
            }
            const std::size_t count =
                EepromAddressing::WriteSpan(m_part, at, segment.bytes.size() - done);
            const SEepromLocation location = EepromAddressing::Locate(m_part, m_base, at);
            std::vector<unsigned char> bytes = location.addressBytes;
            const auto from = segment.bytes.begin() + std::ptrdiff_t(done);
            bytes.insert(bytes.end(), from, from + std::ptrdiff_t(count));
            const STransactionRecord record = context.Execute(
                STransactionRequest::Write(location.deviceAddress, std::move(bytes)));
            if (!record.ok) {
                outcome.failedAt = at;
                return FromRecord(record);
            }
            if (const SBusProcedureResult waited =
                    AwaitWriteCycle(context, location.deviceAddress, outcome);
                !waited.ok) {
                outcome.failedAt = at;
                return waited;
            }
            ++outcome.pages;
            outcome.done += count;
            done += count;
            reported += count;
            context.ReportProgress(reported, total);
        }
    }
    return {};
}

SBusProcedureResult CEepromEngine::Verify(CBusContext &context, const SMemoryImage &image,
                                          SEepromOutcome &outcome) const
{
    const std::size_t total = image.ByteCount();
    std::size_t compared = 0;
    for (const SImageSegment &segment : image.segments) {
        SEepromOutcome read;
        const SBusProcedureResult result =
            ReadRange(context, segment.offset, segment.bytes.size(), read, compared, total);
        AddDifferences(segment.offset, read.data, segment.bytes, outcome);
        outcome.done += std::min(read.data.size(), segment.bytes.size());
        if (!result.ok) {
            outcome.failedAt = read.failedAt;
            return result;
        }
        compared += segment.bytes.size();
    }
    if (const std::optional<std::size_t> first = outcome.FirstDifference())
        return Failed("differs at offset " + OffsetText(*first));
    return {};
}

SBusProcedureResult CEepromEngine::Erase(CBusContext &context, std::size_t offset,
                                         std::size_t length, SEepromOutcome &outcome) const
{
    return Program(context, Blank(offset, length), outcome);
}

SMemoryImage CEepromEngine::Blank(std::size_t offset, std::size_t length)
{
    SMemoryImage image;
    image.segments.push_back({offset, std::vector<unsigned char>(length, BLANK)});
    return image;
}

SBusProcedureResult CEepromEngine::AwaitWriteCycle(CBusContext &context, std::uint8_t address,
                                                   SEepromOutcome &outcome) const
{
    // The time-out is judged by when a poll is sent, not by when its answer comes back: an
    // answer held up by USB frames or a busy host says nothing about the chip after the
    // deadline, so the wait ends only when a poll sent after the deadline went unanswered.
    const CBusContext::Clock::time_point deadline = context.Now() + m_part.writeCycle;
    const STransactionRequest probe = STransactionRequest::Search(address, address);
    for (;;) {
        const CBusContext::Clock::time_point sent = context.Now();
        const STransactionRecord record = context.Execute(probe);
        ++outcome.polls;
        if (!record.found.empty())
            return {};
        if (record.cancelled)
            return Cancelled();
        if (sent >= deadline) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_part.writeCycle).count();
            return Failed("no acknowledge within " + std::to_string(ms) + " ms after the write");
        }
        if (!context.Sleep(POLL_INTERVAL))
            return Cancelled();
    }
}
