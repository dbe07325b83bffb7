// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "SMemoryImage.h"

#include <QByteArray>
#include <QString>

#include <optional>

enum class EImageFormat
{
    Binary,
    IntelHex,
    SRecord,
};

// Memory image files: raw binary, Intel HEX and S-record, chosen by name or by the file's
// extension.
namespace ImageFile {

// "bin", "ihex" (or "hex"), "srec"; none for another name.
std::optional<EImageFormat> FormatNamed(const QString &name);
// .hex/.ihex: Intel HEX; .srec/.s19/.s28/.s37/.mot: S-record; anything else raw binary.
EImageFormat FormatOf(const QString &path);
QString NameOf(EImageFormat format);
// The format a file's text shows where no name tells (standard input): a first line of hex
// digits after ':' is Intel HEX, after 'S' and a record type S-record; anything else is raw.
EImageFormat FormatOfContent(const QByteArray &bytes);

// A raw binary file is one segment from offset 0; an empty file is an error.
bool Decode(const QByteArray &bytes, EImageFormat format, SMemoryImage &image, QString &error);
// A raw binary file holds the bytes of the image's first segment onward, gaps as 0xFF.
QByteArray Encode(const SMemoryImage &image, EImageFormat format);

// `kind`, when given, tells a file that could not be read (FileIo) from one whose text is
// not an image of that format (InvalidArgument).
bool Load(const QString &path, EImageFormat format, SMemoryImage &image, QString &error,
          EFailureKind *kind = nullptr);

} // namespace ImageFile
