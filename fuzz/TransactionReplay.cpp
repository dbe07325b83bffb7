// SPDX-License-Identifier: MIT
#include "TransactionReplay.h"

#include "ConnectionReplay.h"
#include "DriverLimits.h"
#include "FailureText.h"

#include <algorithm>
#include <string>

namespace {

constexpr unsigned char REPORT_WRITE = 0x02;
constexpr unsigned char REPORT_READ = 0x03;

// A cancelled transfer fails as cancelled. When any of its reports went out, the
// configuration is sent again (its result does not matter) so that the adapter drops the
// transaction, and what the adapter still sends is read away until a read brings nothing.
SOutcome ReplayCancel(CCallReplay &replay, const SCallState &state, bool started)
{
    if (started) {
        ReplayConfiguration(replay, state, state.speed, state.pullUps);
        for (std::size_t i = 0; i < MAX_FLUSHED_REPORTS; ++i) {
            if (replay.Expect(EHidCall::AwaitedRead, "a read of the cancelled transfer's input")
                    .result <= 0)
                break;
        }
    }
    return Failed(EFailureKind::Cancelled);
}

} // namespace

std::size_t ChunkCount(std::size_t size)
{
    return (size + MAX_CHUNK - 1) / MAX_CHUNK;
}

std::vector<unsigned char> WriteReport(const std::vector<unsigned char> &data, std::size_t offset,
                                       std::size_t length, bool start, bool stop)
{
    std::vector<unsigned char> report(REPORT_SIZE, 0);
    report[0] = REPORT_WRITE;
    report[1] = static_cast<unsigned char>(length);
    if (offset == 0 && start)
        report[1] |= 0x80;
    if (offset + length == data.size() && stop)
        report[1] |= 0x40;
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), length, report.begin() + 2);
    return report;
}

std::vector<unsigned char> ReadRequest(const SModelTraits &traits, unsigned char address,
                                       std::size_t count)
{
    std::vector<unsigned char> report(REPORT_SIZE, 0);
    report[0] = REPORT_READ;
    report[1] = static_cast<unsigned char>(count & 0xFF);
    report[2] = static_cast<unsigned char>((address << 1) | 1);
    if (!traits.firmwareB)
        report[3] = static_cast<unsigned char>(count >> 8);
    return report;
}

SOutcome ReplayWrite(CCallReplay &replay, const SCallState &state,
                     const std::vector<unsigned char> &data, bool start, bool stop,
                     SI2cWriteResult &expected)
{
    expected = SI2cWriteResult{};
    if (data.empty())
        return Failed(EFailureKind::InvalidArgument, "No data to write");
    if (state.traits->firmwareB && start && stop && data.size() == 1)
        return Failed(EFailureKind::NotSupported,
                      "Address-only write is not supported by the VantrelB");
    ReplayFlush(replay, state);

    const std::size_t chunks = ChunkCount(data.size());
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t offset = chunk * MAX_CHUNK;
        const std::size_t length = std::min(MAX_CHUNK, data.size() - offset);
        if (ReplayPoll(replay, state, "a poll of the observer before a write report"))
            return ReplayCancel(replay, state, chunk > 0);
        if (!state.connected)
            return Failed(EFailureKind::AdapterGone);
        SOutcome outcome;
        if (!ReplaySend(replay, WriteReport(data, offset, length, start, stop), "write report",
                        outcome))
            return outcome;
        std::vector<unsigned char> reply;
        bool cancelled = false;
        if (!ReplayWait(replay, state, REPORT_WRITE, reply, outcome, cancelled))
            return cancelled ? ReplayCancel(replay, state, true) : outcome;
        expected.status = reply[1];
        expected.errorCode = reply[2];
        if ((expected.status & 0x40) != 0)
            return Failed(EFailureKind::ArbitrationLost);
        if ((expected.status & 0x80) != 0) {
            const FailureText::SWriteError error = FailureText::WriteError(expected.errorCode);
            const bool addressSent = chunk == 0 && start;
            return Failed(error.kind == EFailureKind::AddressNack && !addressSent
                              ? EFailureKind::DataNack
                              : error.kind,
                          error.text);
        }
        ReplayProgress(replay, state, offset + length, data.size());
    }
    return Succeeded();
}

SOutcome ReplayRead(CCallReplay &replay, const SCallState &state, unsigned char address,
                    unsigned long long count, SI2cReadResult &expected, bool &requestSent)
{
    expected = SI2cReadResult{};
    requestSent = false;
    if ((address & 0x80) != 0)
        return Failed(EFailureKind::InvalidArgument, "Invalid address");
    const std::size_t maxCount = state.traits->maxReadCount;
    if (count == 0 || count > maxCount)
        return Failed(count == 0 ? EFailureKind::InvalidArgument : EFailureKind::NotSupported,
                      "Invalid read count, this device reads 1.." + std::to_string(maxCount) +
                          " bytes");
    if (ReplayPoll(replay, state, "a poll of the observer before the read"))
        return ReplayCancel(replay, state, false);
    ReplayFlush(replay, state);
    if (!state.connected)
        return Failed(EFailureKind::AdapterGone);

    const auto wanted = static_cast<std::size_t>(count);
    SOutcome outcome;
    if (!ReplaySend(replay, ReadRequest(*state.traits, address, wanted), "read request", outcome))
        return outcome;
    requestSent = true;
    while (expected.data.size() < wanted) {
        if (ReplayPoll(replay, state, "a poll of the observer before a read reply"))
            return ReplayCancel(replay, state, true);
        std::vector<unsigned char> reply;
        bool cancelled = false;
        if (!ReplayWait(replay, state, REPORT_READ, reply, outcome, cancelled))
            return cancelled ? ReplayCancel(replay, state, true) : outcome;
        expected.status = reply[1];
        if ((expected.status & 0x40) != 0)
            return Failed(EFailureKind::ArbitrationLost);
        std::size_t length = expected.status & 0x3F;
        if ((expected.status & 0x80) != 0 || length == 0)
            return Failed(EFailureKind::AddressNack);
        length = std::min(length == 63 ? MAX_CHUNK : length, wanted - expected.data.size());
        expected.data.insert(expected.data.end(), reply.begin() + 2,
                             reply.begin() + 2 + static_cast<std::ptrdiff_t>(length));
        ReplayProgress(replay, state, expected.data.size(), wanted);
    }
    return Succeeded();
}
