// SPDX-License-Identifier: MIT
#include "I2cToolsText.h"

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

int ErrnoOf(ESmbusFault fault)
{
    switch (fault) {
    case ESmbusFault::None:
        return 0;
    case ESmbusFault::Nack:
        return ENXIO;
    case ESmbusFault::Timeout:
        return ETIMEDOUT;
    case ESmbusFault::Arbitration:
        return EAGAIN;
    case ESmbusFault::BadPec:
        return EBADMSG;
    case ESmbusFault::BadLength:
        return EPROTO;
    case ESmbusFault::Unsupported:
        return EOPNOTSUPP;
    case ESmbusFault::Cancelled:
        return EINTR;
    case ESmbusFault::Other:
        break;
    }
    return EIO;
}

std::string ErrnoText(int number)
{
    return std::strerror(number);
}

} // namespace I2cToolsText
