// SPDX-License-Identifier: MIT
#pragma once

#include "PartIdentify.h"

#include <QJsonObject>
#include <QString>

class CPartLibrary;

// What identification found at one address, as the command line reports it.
namespace PartMatchReport {

// "INA226 (identified, confirmed); HDC1080, Si7021 (likely); 6 candidates", then
// "not identified: ..." for each rule left unread; ruled-out candidates are only counted.
// "no library part" when nothing can sit there.
QString Line(const CPartLibrary &library, const SPartMatch &match);
// "candidates" (names in library order), "candidateCount", "identified" (the confirmed
// part or null), "ranking" (name, grade, comparedBits, best first), "notIdentified" and
// "anyByteAllowed".
QJsonObject Fields(const CPartLibrary &library, const SPartMatch &match);

} // namespace PartMatchReport
