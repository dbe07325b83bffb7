// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <ctime>

// Times in the tests' expected texts are local times of this zone: Central European
// time as a POSIX rule, which needs no zone database.
inline void UseFixedTimeZone()
{
    qputenv("TZ", QByteArrayLiteral("CET-1CEST,M3.5.0,M10.5.0/3"));
    tzset();
}
