// SPDX-License-Identifier: MIT
#include "I2cToolsText.h"

#include "FailureText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace I2cToolsText {

std::optional<long> ParseLong(const std::string &text)
{
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0')
        return std::nullopt;
    return value;
}

bool UserAck(std::FILE *in, bool def)
{
    char answer[2];
    if (std::fgets(answer, sizeof answer, in) == nullptr)
        return false;
    bool result = def;
    if (answer[0] == 'y' || answer[0] == 'Y')
        result = true;
    else if (answer[0] == 'n' || answer[0] == 'N')
        result = false;
    // The rest of the line is skipped; a line that never ends counts as no.
    int c = answer[0];
    while (c != '\n') {
        c = std::fgetc(in);
        if (c == EOF)
            return false;
    }
    return result;
}

int ErrnoOf(EFailureKind failure)
{
    return failure == EFailureKind::Cancelled ? EINTR : FailureText::Errno(failure);
}

int ErrnoOf(ESmbusFault fault)
{
    switch (fault) {
    case ESmbusFault::None:
        return 0;
    case ESmbusFault::Nack:
        // An SMBus transaction fits in one report, whose refusal is taken for the address's.
        return ErrnoOf(EFailureKind::AddressNack);
    case ESmbusFault::Timeout:
        return ErrnoOf(EFailureKind::Timeout);
    case ESmbusFault::Arbitration:
        return ErrnoOf(EFailureKind::ArbitrationLost);
    case ESmbusFault::BadPec:
        return EBADMSG;
    case ESmbusFault::BadLength:
        return EPROTO;
    case ESmbusFault::Unsupported:
        return ErrnoOf(EFailureKind::NotSupported);
    case ESmbusFault::Cancelled:
        return ErrnoOf(EFailureKind::Cancelled);
    case ESmbusFault::Other:
        break;
    }
    return ErrnoOf(EFailureKind::Other);
}

std::string ErrnoText(int number)
{
    return std::strerror(number);
}

} // namespace I2cToolsText
