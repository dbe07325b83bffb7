// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// A count with its noun, singular for one: "1 byte", "2 bytes", "0 pages".
namespace Plural {

inline QString Count(std::uint64_t count, QStringView one, QStringView many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many).toString();
}

} // namespace Plural
