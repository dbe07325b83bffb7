// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A count with its noun, singular for one: "1 byte", "2 bytes", "0 pages".
namespace Plural {

inline QString Count(qint64 count, const QString &one, const QString &many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many);
}

} // namespace Plural
