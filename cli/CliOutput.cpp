// SPDX-License-Identifier: MIT
#include "CliOutput.h"

#include <QJsonDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// The reason of the first failed write of stdout: a result that did not arrive makes the
// whole run a failure, however late it is found.
std::optional<QString> s_stdoutFailure;

void NoteStdoutFailure(int error)
{
    if (!s_stdoutFailure)
        s_stdoutFailure = QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
}

void Put(std::FILE *stream, const QByteArray &bytes)
{
    if (stream == stdout) {
        CCliOutput::WriteStdout(bytes);
        return;
    }
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

void CCliOutput::WriteStdout(const QByteArray &bytes)
{
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) !=
        std::size_t(bytes.size())) {
        NoteStdoutFailure(errno);
        return;
    }
    errno = 0;
    if (std::fflush(stdout) != 0)
        NoteStdoutFailure(errno);
}

std::optional<QString> CCliOutput::FinishStdout()
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        NoteStdoutFailure(errno);
    return s_stdoutFailure;
}

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
    if (!command.isEmpty())
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
