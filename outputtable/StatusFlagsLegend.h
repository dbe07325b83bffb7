// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The Flags column shows the adapter's raw status byte; its tool tip spells the bits out.
namespace StatusFlagsLegend {

// The bits of the status byte a Flags text begins with ("0x83", "0x80  NACK"), one line
// each; empty when the text begins with no status byte.
QString ToolTip(const QString &flags);

} // namespace StatusFlagsLegend
