// SPDX-License-Identifier: MIT
#include "SRegisterMap.h"

#include <QLatin1String>

#include <array>

namespace {

constexpr std::array<std::pair<ERegisterAccess, const char *>, 5> ACCESS_WORDS{{
    {ERegisterAccess::ReadWrite, "rw"},
    {ERegisterAccess::ReadOnly, "ro"},
    {ERegisterAccess::WriteOnly, "wo"},
    {ERegisterAccess::ReadClears, "rc"},
    {ERegisterAccess::WriteOneClears, "w1c"},
}};

} // namespace

namespace RegisterAccess {

QString Word(ERegisterAccess access)
{
    for (const auto &[value, word] : ACCESS_WORDS) {
        if (value == access)
            return QString::fromLatin1(word);
    }
    return QString::fromLatin1(ACCESS_WORDS.front().second);
}

std::optional<ERegisterAccess> FromWord(const QString &word)
{
    for (const auto &[value, name] : ACCESS_WORDS) {
        if (word == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}

} // namespace RegisterAccess
