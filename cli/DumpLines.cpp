// SPDX-License-Identifier: MIT
#include "DumpLines.h"

#include "HexFormat.h"
#include "I2cFacts.h"

using namespace Qt::StringLiterals;

namespace DumpLines {

namespace {

constexpr std::size_t CELLS = 16;

QChar AsciiOf(unsigned char byte)
{
    return I2cFacts::IsPrintable(byte) ? QChar(char16_t(byte)) : QChar(u'.');
}

} // namespace

QString Format(std::size_t firstOffset, const std::vector<unsigned char> &data, int offsetDigits)
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
            hex += u' ';
            hex += inside ? HexFormat::hexByte(data[offset - firstOffset]) : u"  "_s;
            ascii += inside ? AsciiOf(data[offset - firstOffset]) : QChar(u' ');
        }
        QString row = QString::number(line, 16).toUpper().rightJustified(offsetDigits, u'0') +
                      u':' + hex + u"  "_s + ascii;
        while (row.endsWith(u' '))
            row.chop(1);
        text += row + u'\n';
    }
    return text;
}

} // namespace DumpLines
