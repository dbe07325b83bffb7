// SPDX-License-Identifier: MIT
#include "CliOutput.h"

#include <QJsonDocument>

#include <cstdio>
#include <utility>

namespace {

void Put(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

QByteArray WithNewline(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes.append('\n');
    return bytes;
}

} // namespace

CCliOutput::CCliOutput(QString program, bool json, bool quiet)
    : m_program(std::move(program))
    , m_json(json)
    , m_quiet(quiet)
{}

void CCliOutput::Result(const QString &text) const
{
    if (m_json || m_quiet || text.isEmpty())
        return;
    Put(stdout, WithNewline(text));
}

void CCliOutput::Json(const QJsonObject &object) const
{
    if (!m_json || m_quiet)
        return;
    Put(stdout, QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void CCliOutput::JsonPart(const QByteArray &text) const
{
    if (m_json && !m_quiet && !text.isEmpty())
        Put(stdout, text);
}

void CCliOutput::JsonResult(const QString &command, QJsonObject fields, std::optional<bool> ok,
                            const std::optional<QString> &error) const
{
    fields.insert(QStringLiteral("command"), command);
    if (ok)
        fields.insert(QStringLiteral("ok"), *ok);
    if (error)
        fields.insert(QStringLiteral("error"), *error);
    Json(fields);
}

void CCliOutput::Error(const QString &message) const
{
    m_lastError = message;
    Put(stderr, WithNewline(m_program + QStringLiteral(": ") + message));
}

void CCliOutput::Plain(const QString &text) const
{
    Put(stderr, WithNewline(text));
}
