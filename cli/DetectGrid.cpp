// SPDX-License-Identifier: MIT
#include "DetectGrid.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace DetectGrid {

namespace {

constexpr unsigned COLUMNS = 16;
constexpr unsigned ADDRESSES = 128;

QString TwoDigits(unsigned value)
{
    return QString::number(value, 16).rightJustified(2, u'0');
}

} // namespace

QString Format(std::uint8_t first, std::uint8_t last, const std::vector<std::uint8_t> &found,
               bool eightBit)
{
    QString text = u"   "_s;
    for (unsigned column = 0; column < COLUMNS; ++column)
        text += u"  "_s + QString::number(column, 16);
    text += u'\n';
    for (unsigned row = 0; row < ADDRESSES; row += COLUMNS) {
        QString line = TwoDigits(row) + u':';
        for (unsigned address = row; address < row + COLUMNS; ++address) {
            line += u' ';
            if (address < first || address > last)
                line += u"  "_s;
            else if (std::find(found.begin(), found.end(), address) == found.end())
                line += u"--"_s;
            else
                line += TwoDigits(eightBit ? address << 1 : address);
        }
        while (line.endsWith(u' '))
            line.chop(1);
        text += line + u'\n';
    }
    return text;
}

} // namespace DetectGrid
