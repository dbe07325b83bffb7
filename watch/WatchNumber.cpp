// SPDX-License-Identifier: MIT
#include "WatchNumber.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace WatchNumber {

namespace {

constexpr int SHORT_DIGITS = 4;
constexpr double SHORT_EXPONENT_FROM = 1e6;
constexpr double EXACT_PLAIN_FROM = 1e-6;
constexpr double EXACT_PLAIN_BELOW = 1e15;

QString withoutTrailingZeros(QString text)
{
    if (!text.contains(u'.'))
        return text;
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

} // namespace

QString Short(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QString::number(value == 0 ? 0.0 : value);
    // Rounding first decides the magnitude: 999999.7 becomes 1e+06, 0.99996 becomes 1.
    const QString rounded = QString::number(value, 'g', SHORT_DIGITS);
    const double r = rounded.toDouble();
    if (std::abs(r) >= SHORT_EXPONENT_FROM)
        return rounded;
    const int exponent = int(std::floor(std::log10(std::abs(r))));
    const int decimals = std::max(0, SHORT_DIGITS - 1 - exponent);
    return withoutTrailingZeros(QString::number(r, 'f', decimals));
}

QString Exact(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    const double magnitude = std::abs(value);
    const bool plain = magnitude >= EXACT_PLAIN_FROM && magnitude < EXACT_PLAIN_BELOW;
    return QString::number(value, plain ? 'f' : 'g', QLocale::FloatingPointShortest);
}

} // namespace WatchNumber
