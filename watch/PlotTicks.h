// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <vector>

// Axis ticks at round numbers, for the watch plot.
namespace PlotTicks {

// The smallest step of the form 1, 2 or 5 times a power of ten that is at least `rough`
// (a positive, finite number).
double NiceStep(double rough);

// The multiples of `step` from `low` to `high`, both included when they are multiples.
std::vector<double> Multiples(double low, double high, double step);

// `value` with as many decimals as `step` needs and no more ("0.5", "-30", "331.5"), in
// exponent notation from 1e6 in magnitude; a value within a hundredth of a step from zero
// is "0", so rounding noise never shows as "-0" or "1e-17".
QString Label(double value, double step);

} // namespace PlotTicks
