// SPDX-License-Identifier: MIT
#include "StatusFlagsLegend.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr unsigned STATUS_ERROR = 0x80;
constexpr unsigned STATUS_ARBITRATION_LOST = 0x40;
constexpr unsigned STATUS_BYTE_COUNT = 0x3F;

QString tr(const char *text)
{
    return QCoreApplication::translate("StatusFlagsLegend", text);
}

QString bitText(unsigned status, unsigned bit)
{
    return (status & bit) != 0 ? u"1"_s : u"0"_s;
}

} // namespace

namespace StatusFlagsLegend {

QString ToolTip(const QString &flags)
{
    // Exactly two digits, then the end or the blanks before a reason: "0x1234" is no status.
    static const QRegularExpression STATUS(u"^0x([0-9A-Fa-f]{2})(?:$|\\s)"_s);
    const QRegularExpressionMatch match = STATUS.match(flags);
    if (!match.hasMatch())
        return {};
    const unsigned status = match.captured(1).toUInt(nullptr, 16);
    return tr("Adapter status byte %1 of the last reply:").arg(match.captured(0).trimmed()) +
           u'\n' + tr("bit 7 = %1: error (no acknowledge)").arg(bitText(status, STATUS_ERROR)) +
           u'\n' +
           tr("bit 6 = %1: arbitration lost").arg(bitText(status, STATUS_ARBITRATION_LOST)) +
           u'\n' + tr("bits 5..0 = %1: data bytes in a read reply").arg(status & STATUS_BYTE_COUNT);
}

} // namespace StatusFlagsLegend
