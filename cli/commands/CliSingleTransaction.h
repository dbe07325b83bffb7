// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <vector>

class CCliSession;

// read, write, get, set and run of a stored transaction: the plan's one request, made and
// reported alike.
namespace CliSingleTransaction {

// Bytes as hex, 16 to a line.
QString DataLines(const std::vector<unsigned char> &data);

// What a command adds to a read's result: lines after the bytes, and fields of its JSON.
using ReadExtra = std::function<QString(const std::vector<unsigned char> &read, QJsonObject &json)>;

// Makes the request and prints what it read, after a failure the bytes that came. A failure is
// worded "<what>: <driver's text>", with "<command> <address>" for an empty `what`; `json` holds
// the command's own fields.
ECliExit Run(CCliSession &session, const QString &what = {}, QJsonObject json = {},
             const ReadExtra &extra = {});

} // namespace CliSingleTransaction
