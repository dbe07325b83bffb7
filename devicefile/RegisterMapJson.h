// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"

#include <QJsonValue>
#include <QString>

#include <optional>

// The "registers" object of a device file: reading it with its checks, and writing it in
// a fixed layout. The layout puts the device-level keys one per line, then one line per
// register, and a register's fields one per line below it, so that a diff of two versions
// of a file shows which register or field changed.
namespace RegisterMapJson {

inline const QString KEY_REGISTERS = QStringLiteral("registers");

// The map, or none with a message that names the register and field at fault.
std::optional<SRegisterMap> Parse(const QJsonValue &json, QString &error);
// Whether the map holds together: names, addresses, sizes, fields inside their register
// and apart from each other. Parse applies it; Save refuses what it refuses.
bool Check(const SRegisterMap &map, QString &error);
// The lines of `"registers": {...}`, the key indented by `indent`, each line ended by a
// line feed except the last.
QString Write(const SRegisterMap &map, const QString &indent);

} // namespace RegisterMapJson
