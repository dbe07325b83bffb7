// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The two ways a watched value is written: short for people, exact for files. Both use the
// C locale (a dot as decimal mark, no group separators) whatever the user's language.
namespace WatchNumber {

// Rounded to four significant digits (to the nearest, from the double's exact value); plain decimal
// notation without trailing zeros below 1e6 in magnitude
// ("331.7", "0.0001235", "12350", "-2"), exponent notation from 1e6 on ("1.235e+06").
QString Short(double value);

// The shortest text that reads back as the same double: plain decimal notation for
// magnitudes from 1e-6 to below 1e15 ("0.30000000000000004", "4294967295", "0.0000015"),
// exponent notation outside that range ("1e+15", "1.5e-07"); zero is "0".
QString Exact(double value);

} // namespace WatchNumber
