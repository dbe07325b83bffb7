// SPDX-License-Identifier: MIT
#pragma once

#include "SMemoryImage.h"

#include <QByteArray>
#include <QString>

// Motorola S-record: S1, S2 and S3 data records with their S9, S8 and S7 terminators; S0
// headers and S5/S6 counts are checked and ignored. Every record's checksum is checked; an
// error names the line.
namespace SRecord {

bool Read(const QByteArray &text, SMemoryImage &image, QString &error);
// An empty S0 header, 16 data bytes a record, S1/S9 for images within 64 KiB, S2/S8 within
// 16 MiB, else S3/S7.
QByteArray Write(const SMemoryImage &image);

} // namespace SRecord
