// SPDX-License-Identifier: MIT
#pragma once

#include "SFirstByte.h"
#include "SIdentifyRule.h"
#include "SRegisterMap.h"

#include <QJsonValue>
#include <QString>

#include <optional>
#include <vector>

// The keys a device file of a library part adds: every address the part can take, what it
// does with the first byte written to it, and the rules that identify it by its ID
// registers. All are optional; a file without them is written without them.
namespace PartKeysJson {

inline const QString KEY_ADDRESSES = QStringLiteral("addresses");
inline const QString KEY_IDENTIFY = QStringLiteral("identify");
inline const QString KEY_FIRST_BYTE = QStringLiteral("firstByte");

std::optional<std::vector<unsigned char>> ParseAddresses(const QJsonValue &json, QString &error);
// `{ "kind": "pointer" }`, `{ "kind": "command", "acts": { "FE": "a reset command" } }` or
// `{ "kind": "configuration", "meaning": "the control byte" }`; nothing else is taken, so
// that the file is written back as it was.
std::optional<SFirstByte> ParseFirstByte(const QJsonValue &json, QString &error);
std::optional<std::vector<SIdentifyRule>> ParseIdentify(const QJsonValue &json, QString &error);
// A rule must name a register of the map that can be read without a side effect, and its
// value and mask must fit that register.
bool CheckIdentify(const std::vector<SIdentifyRule> &rules, const std::optional<SRegisterMap> &map,
                   QString &error);

// `"addresses": [...]` on one line, indented by `indent`.
QString WriteAddresses(const std::vector<unsigned char> &addresses, const QString &indent);
// `"firstByte": { ... }` on one line, indented by `indent`.
QString WriteFirstByte(const SFirstByte &firstByte, const QString &indent);
// The lines of `"identify": [...]`, one rule a line, without a final line feed.
QString WriteIdentify(const std::vector<SIdentifyRule> &rules, const SRegisterMap &map,
                      const QString &indent);

} // namespace PartKeysJson
