// SPDX-License-Identifier: MIT
#pragma once

#include "SMemoryImage.h"

#include <QByteArray>
#include <QString>

// Intel HEX: data, end-of-file, extended segment address and extended linear address
// records (start address records are read and ignored). Every record's checksum is checked;
// an error names the line.
namespace IntelHex {

bool Read(const QByteArray &text, SMemoryImage &image, QString &error);
// 16 data bytes a record, an extended linear address record before each 64 KiB above the
// first.
QByteArray Write(const SMemoryImage &image);

} // namespace IntelHex
