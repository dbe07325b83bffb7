// SPDX-License-Identifier: MIT
#include "DumpLines.h"

#include "HexFormat.h"
#include "I2cFacts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace DumpLines {

namespace {

constexpr std::size_t CELLS = 16;

QChar AsciiOf(unsigned char byte)
{
    return I2cFacts::IsPrintable(byte) ? QChar(char16_t(byte)) : QChar(u'.');
}

} // namespace

QString Format(std::size_t firstOffset, const std::vector<unsigned char> &data, int offsetDigits,
               const std::vector<bool> &missing)
{
    QString text;
    if (data.empty())
        return text;
    const std::size_t end = firstOffset + data.size();
    for (std::size_t line = firstOffset - firstOffset % CELLS; line < end; line += CELLS) {
        QString hex;
        QString ascii;
        for (std::size_t offset = line; offset < line + CELLS; ++offset) {
            const bool inside = offset >= firstOffset && offset < end;
            const std::size_t index = offset - firstOffset;
            hex += u' ';
            if (inside && index < missing.size() && missing[index]) {
                hex += u"XX"_s;
                ascii += u'X';
                continue;
            }
            hex += inside ? HexFormat::hexByte(data[index]) : u"  "_s;
            ascii += inside ? AsciiOf(data[index]) : QChar(u' ');
        }
        QString row = QString::number(line, 16).toUpper().rightJustified(offsetDigits, u'0') +
                      u':' + hex + u"  "_s + ascii;
        while (row.endsWith(u' '))
            row.chop(1);
        text += row + u'\n';
    }
    return text;
}

QString Hex(const std::vector<unsigned char> &data, const std::vector<bool> &missing)
{
    QStringList cells;
    for (std::size_t i = 0; i < data.size(); ++i)
        cells.append(i < missing.size() && missing[i] ? u"XX"_s : HexFormat::hexByte(data[i]));
    return cells.join(u' ');
}

} // namespace DumpLines
