// SPDX-License-Identifier: MIT
#include "SRegisterMap.h"

#include <QLatin1String>

#include <array>

namespace {

constexpr std::array<std::pair<ERegisterAccess, const char *>, 6> ACCESS_WORDS{{
    {ERegisterAccess::ReadWrite, "rw"},
    {ERegisterAccess::ReadOnly, "ro"},
    {ERegisterAccess::WriteOnly, "wo"},
    {ERegisterAccess::ReadClears, "rc"},
    {ERegisterAccess::WriteOneClears, "w1c"},
    {ERegisterAccess::Sticky, "sticky"},
}};

template <typename List>
int FindByName(const List &list, const QString &name)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).name == name)
            return int(i);
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

namespace RegisterNames {

int FindRegister(const SRegisterMap &map, const QString &name)
{
    return FindByName(map.registers, name);
}

int FindField(const SRegister &reg, const QString &name)
{
    return FindByName(reg.fields, name);
}

} // namespace RegisterNames

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
