// SPDX-License-Identifier: MIT
#include "PlotTicks.h"

#include <algorithm>
#include <cmath>

namespace PlotTicks {

namespace {

constexpr double LABEL_EXPONENT_FROM = 1e6;
// Guards against a floating-point quotient such as 0.3 / 0.1 = 2.9999999999999996.
constexpr double MULTIPLE_TOLERANCE = 1e-9;
constexpr std::size_t MAX_MULTIPLES = 1000;

} // namespace

double NiceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= rough * (1 - MULTIPLE_TOLERANCE))
            return factor * power;
    }
    return 10 * power;
}

std::vector<double> Multiples(double low, double high, double step)
{
    std::vector<double> values;
    if (!(step > 0) || !(high >= low))
        return values;
    const double first = std::ceil(low / step - MULTIPLE_TOLERANCE);
    const double last = std::floor(high / step + MULTIPLE_TOLERANCE);
    for (double k = first; k <= last && values.size() < MAX_MULTIPLES; ++k)
        values.push_back(k * step);
    return values;
}

QString Label(double value, double step)
{
    if (std::abs(value) < step / 100)
        return QStringLiteral("0");
    if (std::abs(value) >= LABEL_EXPONENT_FROM)
        return QString::number(value, 'g', 6);
    const int decimals = std::max(0, -int(std::floor(std::log10(step) + MULTIPLE_TOLERANCE)));
    return QString::number(value, 'f', decimals);
}

} // namespace PlotTicks
