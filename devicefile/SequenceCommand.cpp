// SPDX-License-Identifier: MIT
#include "SequenceCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace SequenceCommand {

namespace {

const QString TYPE_SEQUENCE = u"sequence"_s;
const QString KEY_TYPE = u"type"_s;
const QString KEY_STEPS = u"steps"_s;

// A string as Qt's compact JSON writer writes it, as the rest of the file is written.
QString JsonString(const QString &s)
{
    const QByteArray array = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.sliced(1, array.size() - 2));
}

bool IsOneLine(const QString &step)
{
    return !step.contains(u'\n') && !step.contains(u'\r');
}

} // namespace

bool IsTypeWord(const QString &type)
{
    return type.compare(TYPE_SEQUENCE, Qt::CaseInsensitive) == 0;
}

bool Read(const QJsonObject &object, qsizetype position, SI2cCommand &command, QString &error)
{
    command.type = EI2cCommandType::Sequence;
    const QJsonValue steps = object.value(KEY_STEPS);
    const QJsonArray array = steps.toArray();
    for (const QJsonValue &step : array) {
        if (!step.isString())
            break;
        command.steps.append(step.toString());
    }
    if (!steps.isArray() || command.steps.size() != array.size() || !IsValid(command)) {
        error = u"Command %1: invalid sequence steps"_s.arg(position);
        return false;
    }
    return true;
}

QString Pairs(const SI2cCommand &command)
{
    QStringList steps;
    for (const QString &step : command.steps)
        steps.append(JsonString(step));
    return JsonString(KEY_TYPE) + u": "_s + JsonString(TYPE_SEQUENCE) + u", "_s +
           JsonString(KEY_STEPS) + u": ["_s + steps.join(u", "_s) + u']';
}

bool IsValid(const SI2cCommand &command)
{
    return !command.steps.isEmpty() &&
           std::all_of(command.steps.begin(), command.steps.end(), IsOneLine);
}

} // namespace SequenceCommand
