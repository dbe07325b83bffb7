// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` in one step: either the whole new text is there
// afterwards, or the old file is untouched and `error` says why. Every failure here is a
// file's I/O failure (EFailureKind::FileIo for callers that keep a kind).
namespace AtomicFile {

bool Write(const QString &path, const QByteArray &bytes, QString &error);

} // namespace AtomicFile
