// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// Reports as hex lines without their trailing zero bytes ("02 C4 A0 01 A5 FF"), so a
// failing QCOMPARE shows which report differs and how. A report that is not 64 bytes
// long says so.
inline QStringList ReportLines(const std::vector<std::vector<unsigned char>> &reports)
{
    QStringList lines;
    for (const std::vector<unsigned char> &report : reports) {
        std::size_t end = report.size();
        while (end > 1 && report[end - 1] == 0)
            --end;
        const QByteArray bytes(reinterpret_cast<const char *>(report.data()),
                               static_cast<qsizetype>(end));
        lines << QString::fromLatin1(bytes.toHex(' ').toUpper());
        if (report.size() != 64)
            lines.last() += QStringLiteral(" (%1 bytes)").arg(report.size());
    }
    return lines;
}
