// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// Where the program's words go: results on stdout (as text, or as one JSON object per
// result), everything else on stderr, so that stdout of a script holds results only.
class CCliOutput
{
public:
    CCliOutput(QString program, bool json, bool quiet);

    bool IsJson() const { return m_json; }
    bool IsQuiet() const { return m_quiet; }

    // A text result; nothing in JSON mode or when quiet.
    void Result(const QString &text) const;
    // A JSON result on one line, the command's `fields` in the envelope that every result
    // carries: "command" (left out while unknown), "ok" (none yet in the steps of a dry run) and,
    // with a reason for a failure, "error". Nothing in text mode or when quiet.
    void JsonResult(const QString &command, QJsonObject fields, std::optional<bool> ok,
                    const std::optional<QString> &error = std::nullopt) const;
    // Part of one JSON line too long to hold at once, as it is; the caller writes the whole
    // object and its newline. Nothing in text mode or when quiet.
    void JsonPart(const QByteArray &text) const;
    // "<program>: <message>" on stderr, also when quiet.
    void Error(const QString &message) const;
    // Lines on stderr as they are (a hint after an error), also when quiet.
    void Plain(const QString &text) const;
    // The message of the last Error(), for the one JSON error object of a failed start.
    QString LastError() const { return m_lastError; }

    // Writes and flushes `bytes` on stdout; a failure is kept for FinishStdout().
    static void WriteStdout(const QByteArray &bytes);
    // Flushes stdout and gives the system's reason of the first write or flush of it that
    // failed during the run, none when everything arrived.
    static std::optional<QString> FinishStdout();

private:
    void Json(const QJsonObject &object) const;

    QString m_program;
    bool m_json = false;
    bool m_quiet = false;
    mutable QString m_lastError;
};
