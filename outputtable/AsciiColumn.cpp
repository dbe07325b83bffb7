// SPDX-License-Identifier: MIT
#include "AsciiColumn.h"

#include "HexFormat.h"
#include "I2cFacts.h"

#include <QStringList>

namespace AsciiColumn {

namespace {

constexpr int GAP = 2;

} // namespace

QString Text(const QByteArray &bytes)
{
    QString text(bytes.size(), u'.');
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        if (I2cFacts::IsPrintable(byte))
            text[i] = QLatin1Char(char(byte));
    }
    return text;
}

QString Lines(const QByteArray &data, int bytesPerLine, bool offsetDecimal)
{
    if (data.isEmpty())
        return {};
    const QString hex = HexFormat::lines(data, bytesPerLine, offsetDecimal);
    const qsizetype count = HexFormat::lineCount(data.size(), bytesPerLine);
    if (count == 1)
        return hex + QString(GAP, u' ') + Text(data);
    QStringList lines = hex.split(u'\n');
    const qsizetype width = lines.first().size() + GAP;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        lines[i] =
            lines.at(i).leftJustified(width, u' ') + Text(data.mid(i * bytesPerLine, bytesPerLine));
    }
    return lines.join(u'\n');
}

} // namespace AsciiColumn
