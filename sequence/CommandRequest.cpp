// SPDX-License-Identifier: MIT
#include "CommandRequest.h"

#include "TransferMessages.h"

using namespace Qt::StringLiterals;

namespace CommandRequest {

namespace {

constexpr int MODES = 4;

std::optional<STransactionRequest> Refuse(ECommandRefusal reason, ECommandRefusal &refusal)
{
    refusal = reason;
    return std::nullopt;
}

bool CountValid(std::int32_t count)
{
    return count >= 1 && std::size_t(count) <= TransferMessages::MAX_MESSAGE_BYTES;
}

} // namespace

std::optional<STransactionRequest> FromCommand(std::uint8_t address, const SI2cCommand &command,
                                               ECommandRefusal &refusal)
{
    refusal = ECommandRefusal::None;
    switch (command.type) {
    case EI2cCommandType::Sequence:
        return Refuse(ECommandRefusal::Sequence, refusal);
    case EI2cCommandType::Read:
        if (!CountValid(command.count))
            return Refuse(ECommandRefusal::BadCount, refusal);
        return STransactionRequest::Read(address, std::size_t(command.count));
    case EI2cCommandType::WriteRead:
        if (command.data.empty())
            return Refuse(ECommandRefusal::NoBytes, refusal);
        if (!CountValid(command.count))
            return Refuse(ECommandRefusal::BadCount, refusal);
        return STransactionRequest::WriteRead(address, command.data, std::size_t(command.count));
    case EI2cCommandType::Write:
        break;
    }
    const int mode = static_cast<int>(command.mode);
    if (mode < 0 || mode >= MODES)
        return Refuse(ECommandRefusal::BadMode, refusal);
    const bool start = WriteModeStarts(command.mode);
    if (!start && command.data.empty())
        return Refuse(ECommandRefusal::SendsNothing, refusal);
    return STransactionRequest::Write(address, command.data, start, WriteModeStops(command.mode));
}

QString RefusalText(ECommandRefusal refusal, const QString &name)
{
    switch (refusal) {
    case ECommandRefusal::None:
        break;
    case ECommandRefusal::Sequence:
        return u"%1 is a sequence, which runs as steps and not as one transfer"_s.arg(name);
    case ECommandRefusal::SendsNothing:
        return u"%1 writes no bytes and no start, so it sends nothing"_s.arg(name);
    case ECommandRefusal::NoBytes:
        return u"%1 writes no bytes before its read"_s.arg(name);
    case ECommandRefusal::BadCount:
        return u"%1 reads a count outside 1 to %2"_s.arg(name).arg(
            TransferMessages::MAX_MESSAGE_BYTES);
    case ECommandRefusal::BadMode:
        return u"%1 has no valid start/stop mode"_s.arg(name);
    }
    return {};
}

} // namespace CommandRequest
