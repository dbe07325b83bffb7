// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRequest.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One message of a combined transfer, as typed: "w3@0x50 00 10 FF" or "r8".
struct STransferMessage
{
    bool read = false;
    std::uint8_t address = 0;
    // Bytes to read, or to write (then `data` holds them all).
    std::size_t count = 0;
    std::vector<unsigned char> data;
    // The message word as typed, for messages about it.
    QString word;
    // No @ADDR named the address, neither on this message nor on one before it: a sequence
    // fills in its device's address.
    bool deviceAddress = false;
};

// How the messages are read: the address notation, whether a message may leave its address
// to the device, and where the index of the argument at fault goes on a failure.
struct STransferSyntax
{
    bool eightBit = false;
    bool deviceAddress = false;
    qsizetype *errorArgument = nullptr;
};

// The message syntax of the transfer command: w<N>@<ADDR> followed by N bytes, and
// r<N>[@<ADDR>]; a message without @ talks to the previous message's address (or, in a
// sequence, to its device's). A byte may
// end in '=' (repeat it for the rest of the message), '+' or '-' (count up or down from it).
// The messages are joined by repeated starts and end with one stop.
namespace TransferMessages {

inline constexpr std::size_t MAX_MESSAGE_BYTES = 65535;

// Whether an argument starts a message (r or w first) rather than giving a byte.
bool IsMessageWord(const QString &argument);

// All messages, or none with a message naming the argument at fault. A read may only be
// the last message: the adapters end every read with a stop.
std::optional<std::vector<STransferMessage>> Parse(const QStringList &arguments, bool eightBit,
                                                   QString &error);
std::optional<std::vector<STransferMessage>> Parse(const QStringList &arguments,
                                                   const STransferSyntax &syntax, QString &error);

// One request per message: writes with a start and, the last one only, a stop; a read
// (always last) with its own start and stop.
std::vector<STransactionRequest> ToRequests(const std::vector<STransferMessage> &messages);

} // namespace TransferMessages
