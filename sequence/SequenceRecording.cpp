// SPDX-License-Identifier: MIT
#include "SequenceRecording.h"

#include "SequenceText.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace SequenceRecording {

namespace {

constexpr std::int64_t US_PER_MS = 1000;

STransferMessage Message(bool read, std::uint8_t address, std::vector<unsigned char> data,
                         std::size_t count)
{
    STransferMessage message;
    message.read = read;
    message.address = address;
    message.count = read ? count : data.size();
    message.data = read ? std::vector<unsigned char>() : std::move(data);
    return message;
}

// The messages of one record; none for what a sequence cannot send.
std::vector<STransferMessage> Messages(const STransactionRequest &request)
{
    switch (request.kind) {
    case ETransactionKind::Write:
        if (!request.start)
            return {};
        return {Message(false, request.address, request.data, 0)};
    case ETransactionKind::Read:
        return {Message(true, request.address, {}, request.count)};
    case ETransactionKind::WriteRead:
        return {Message(false, request.address, request.data, 0),
                Message(true, request.address, {}, request.count)};
    case ETransactionKind::Search:
        break;
    }
    return {};
}

} // namespace

SSequenceRecording FromRecords(const std::vector<STransactionRecord> &records, bool delays,
                               std::optional<std::uint8_t> deviceAddress)
{
    SSequenceRecording recording;
    std::vector<STransferMessage> open;
    std::int64_t lastEndUs = -1;
    for (const STransactionRecord &record : records) {
        std::vector<STransferMessage> messages = Messages(record.request);
        if (messages.empty()) {
            ++recording.skipped;
            continue;
        }
        const std::int64_t startUs = record.startedMs * US_PER_MS;
        if (delays && open.empty() && lastEndUs >= 0 && startUs - lastEndUs >= US_PER_MS) {
            const std::chrono::milliseconds pause((startUs - lastEndUs) / US_PER_MS);
            recording.lines.append(u"delay "_s + SequenceText::Duration(pause));
        }
        lastEndUs = startUs + record.durationUs;
        open.insert(open.end(), messages.begin(), messages.end());
        // A write that leaves the bus open goes on with the next transaction's repeated start.
        const bool continues =
            record.request.kind == ETransactionKind::Write && !record.request.stop;
        if (!continues) {
            recording.lines.append(SequenceText::Transfer(open, deviceAddress));
            open.clear();
        }
    }
    if (!open.empty())
        recording.lines.append(SequenceText::Transfer(open, deviceAddress));
    return recording;
}

} // namespace SequenceRecording
