// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// File names and program arguments as the system holds them: bytes, which need not be UTF-8.
// Qt's own conversion turns a byte that is not UTF-8 into U+FFFD, so such a name no longer
// opens. Here each such byte becomes the lone code unit U+DC80 to U+DCFF and turns back into
// the same byte; valid UTF-8 reads exactly as Qt reads it.
namespace NativeName {

QString Decode(QByteArrayView bytes);
QByteArray Encode(const QString &name);
// Whether the name holds a byte that is not UTF-8, so that only Encode() finds its file.
bool HasRawBytes(const QString &name);
// The program's arguments, argv[0] included.
QStringList Arguments(int argc, const char *const *argv);

} // namespace NativeName
