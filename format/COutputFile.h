// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"

#include <QByteArray>
#include <QString>

// A file a program writes its result to (an EEPROM image, a dump, a log). A regular file, or
// a new one, is replaced in one step, so that a failure leaves the old one untouched. A FIFO,
// a character device, "-" (standard output) and /dev/stdout and its kin are written in
// place and never replaced by a regular file. A folder is refused. Failures name the
// system's cause ("No space left on device"). Never throws.
class COutputFile
{
public:
    explicit COutputFile(QString path);

    const QString &GetPath() const { return m_path; }
    // Whether the output goes to an existing stream or device instead of a replaced file.
    bool IsInPlace() const { return m_inPlace; }
    // Whether the output is the program's standard output.
    bool IsStandardOutput() const { return m_fd == STDOUT; }

    // Whether the file can be written, asked before the work that produces its bytes.
    bool Check();
    bool Write(const QByteArray &bytes);
    QString GetLastError() const { return m_lastError; }
    // FileIo for every failure: a folder, a full disk, a refused or read-only file.
    EFailureKind GetLastErrorKind() const { return m_lastErrorKind; }

private:
    static constexpr int STDOUT = 1;

    bool WriteInPlace(const QByteArray &bytes);
    bool Fail(const QString &error);

    QString m_path;
    bool m_inPlace = false;
    int m_fd = -1; // an open descriptor the path stands for ("-", /dev/stdout), or -1
    QString m_lastError;
    EFailureKind m_lastErrorKind = EFailureKind::None;
};
