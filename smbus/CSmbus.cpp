// SPDX-License-Identifier: MIT
#include "CSmbus.h"

#include "SmbusPec.h"

#include <cstdio>

namespace {

constexpr std::size_t WORD_BYTES = 2;

std::uint8_t ReadAddressByte(std::uint8_t address)
{
    return static_cast<std::uint8_t>((address << 1) | 1);
}

bool ReadsBlock(ESmbusOperation operation)
{
    return operation == ESmbusOperation::ReadBlockData ||
           operation == ESmbusOperation::BlockProcessCall;
}

bool HasPec(const SSmbusRequest &request)
{
    return request.pec && request.operation != ESmbusOperation::Quick;
}

bool CheckDataSize(const SSmbusRequest &request, std::size_t min, std::size_t max,
                   std::string &error)
{
    if (request.data.size() >= min && request.data.size() <= max)
        return true;
    error = min == max
                ? "Needs " + std::to_string(min) + " data bytes"
                : "Needs " + std::to_string(min) + " to " + std::to_string(max) + " data bytes";
    return false;
}

// The bytes the PEC covers: the write part as sent, then the read address and the bytes read.
std::uint8_t ExpectedPec(const STransactionRequest &request, const std::vector<unsigned char> &read,
                         std::size_t covered)
{
    std::uint8_t crc = 0;
    if (request.kind == ETransactionKind::WriteRead)
        crc = SmbusPec::Compute(request.WireBytes());
    crc = SmbusPec::Update(crc, ReadAddressByte(request.address));
    for (std::size_t i = 0; i < covered; ++i)
        crc = SmbusPec::Update(crc, read[i]);
    return crc;
}

std::string Hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

SSmbusResult Fail(SSmbusResult result, ESmbusFault fault, std::string error)
{
    result.ok = false;
    result.fault = fault;
    result.error = std::move(error);
    result.data.clear();
    return result;
}

} // namespace

unsigned SSmbusResult::Value() const
{
    unsigned value = 0;
    for (std::size_t i = data.size(); i > 0; --i)
        value = (value << 8) | data[i - 1];
    return value;
}

bool CSmbus::IsSupported(ESmbusOperation operation, const SBusAdapterInfo &adapter)
{
    // The quick command is the address byte alone.
    if (operation == ESmbusOperation::Quick)
        return adapter.canWriteAddressOnly;
    const std::size_t longestRead = ReadsBlock(operation) ? 1 + BLOCK_MAX + 1 : BLOCK_MAX;
    return adapter.maxReadCount >= longestRead;
}

std::optional<STransactionRequest> CSmbus::Plan(const SSmbusRequest &request, std::string &error)
{
    const std::uint8_t address = request.address;
    std::vector<unsigned char> written{request.command};
    std::size_t readCount = 0;
    bool ok = true;
    switch (request.operation) {
    case ESmbusOperation::Quick:
        return STransactionRequest::Write(address, {});
    case ESmbusOperation::ReceiveByte:
        written.clear();
        readCount = 1;
        break;
    case ESmbusOperation::SendByte:
        break;
    case ESmbusOperation::ReadByteData:
        readCount = 1;
        break;
    case ESmbusOperation::ReadWordData:
        readCount = WORD_BYTES;
        break;
    case ESmbusOperation::WriteByteData:
        ok = CheckDataSize(request, 1, 1, error);
        break;
    case ESmbusOperation::WriteWordData:
        ok = CheckDataSize(request, WORD_BYTES, WORD_BYTES, error);
        break;
    case ESmbusOperation::ProcessCall:
        ok = CheckDataSize(request, WORD_BYTES, WORD_BYTES, error);
        readCount = WORD_BYTES;
        break;
    case ESmbusOperation::ReadBlockData:
        readCount = 1 + BLOCK_MAX;
        break;
    case ESmbusOperation::WriteBlockData:
    case ESmbusOperation::BlockProcessCall:
        ok = CheckDataSize(request, 1, BLOCK_MAX, error);
        written.push_back(static_cast<unsigned char>(request.data.size()));
        if (request.operation == ESmbusOperation::BlockProcessCall)
            readCount = 1 + BLOCK_MAX;
        break;
    case ESmbusOperation::ReadI2cBlock:
        if (request.length < 1 || request.length > BLOCK_MAX) {
            error = "Needs a length of 1 to " + std::to_string(BLOCK_MAX) + " bytes";
            ok = false;
        }
        readCount = request.length;
        break;
    case ESmbusOperation::WriteI2cBlock:
        ok = CheckDataSize(request, 1, BLOCK_MAX, error);
        break;
    }
    if (!ok)
        return std::nullopt;
    const bool i2cBlock = request.operation == ESmbusOperation::ReadI2cBlock ||
                          request.operation == ESmbusOperation::WriteI2cBlock;
    if (request.pec && i2cBlock) {
        error = "PEC is not defined for I2C block transfers";
        return std::nullopt;
    }
    const bool takesData = request.operation == ESmbusOperation::WriteByteData ||
                           request.operation == ESmbusOperation::WriteWordData ||
                           request.operation == ESmbusOperation::ProcessCall ||
                           request.operation == ESmbusOperation::WriteBlockData ||
                           request.operation == ESmbusOperation::BlockProcessCall ||
                           request.operation == ESmbusOperation::WriteI2cBlock;
    if (takesData)
        written.insert(written.end(), request.data.begin(), request.data.end());
    if (readCount == 0) {
        STransactionRequest write = STransactionRequest::Write(address, written);
        if (HasPec(request))
            write.data.push_back(SmbusPec::Compute(write.WireBytes()));
        return write;
    }
    const std::size_t count = readCount + (HasPec(request) ? 1 : 0);
    if (written.empty())
        return STransactionRequest::Read(address, count);
    return STransactionRequest::WriteRead(address, written, count);
}

SSmbusResult CSmbus::Execute(CBusContext &context, const SSmbusRequest &request)
{
    SSmbusResult result;
    if (!IsSupported(request.operation, context.Adapter()))
        return Fail(std::move(result), ESmbusFault::Unsupported,
                    "Not supported by this adapter model");
    std::string error;
    const std::optional<STransactionRequest> planned = Plan(request, error);
    if (!planned)
        return Fail(std::move(result), ESmbusFault::BadLength, error);

    const STransactionRecord record = context.Execute(*planned);
    result.records.push_back(record);
    if (!record.ok) {
        const ESmbusFault fault =
            record.cancelled ? ESmbusFault::Cancelled : Classify(record.failure);
        return Fail(std::move(result), fault, record.lastError);
    }
    if (planned->kind == ETransactionKind::Write)
        return SSmbusResult{true, ESmbusFault::None, {}, {}, std::move(result.records)};

    const std::vector<unsigned char> &read = record.read.data;
    std::size_t first = 0;
    std::size_t length = read.size() - (HasPec(request) ? 1 : 0);
    if (ReadsBlock(request.operation)) {
        const std::size_t count = read.front();
        if (count == 0 || count > BLOCK_MAX)
            return Fail(std::move(result), ESmbusFault::BadLength,
                        "Block count " + Hex(unsigned(count)) + " out of range");
        first = 1;
        length = count;
    }
    if (HasPec(request)) {
        const std::size_t covered = first + length;
        const std::uint8_t expected = ExpectedPec(*planned, read, covered);
        if (read[covered] != expected)
            return Fail(std::move(result), ESmbusFault::BadPec,
                        "PEC mismatch: read " + Hex(read[covered]) + ", expected " + Hex(expected));
    }
    result.ok = true;
    result.data.assign(read.begin() + std::ptrdiff_t(first),
                       read.begin() + std::ptrdiff_t(first + length));
    return result;
}

ESmbusFault CSmbus::Classify(EFailureKind failure)
{
    switch (failure) {
    case EFailureKind::None:
        return ESmbusFault::None;
    case EFailureKind::AddressNack:
    case EFailureKind::DataNack:
        return ESmbusFault::Nack;
    case EFailureKind::Timeout:
        return ESmbusFault::Timeout;
    case EFailureKind::ArbitrationLost:
        return ESmbusFault::Arbitration;
    case EFailureKind::Cancelled:
        return ESmbusFault::Cancelled;
    case EFailureKind::NotSupported:
        return ESmbusFault::Unsupported;
    case EFailureKind::AdapterGone:
    case EFailureKind::PermissionDenied:
    case EFailureKind::InvalidArgument:
    case EFailureKind::AdapterError:
    case EFailureKind::FileIo:
    case EFailureKind::Other:
        break;
    }
    return ESmbusFault::Other;
}
