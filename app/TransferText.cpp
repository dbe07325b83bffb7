// SPDX-License-Identifier: MIT
#include "TransferText.h"

#include "HexFormat.h"
#include "SI2cCommand.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace TransferText {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString statusText(std::uint8_t status)
{
    return "0x"_L1 + HexFormat::hexByte(status);
}

QString writeErrorText(std::uint8_t errorCode, const QString &driverError)
{
    switch (errorCode) {
    case 0:
        return driverError;
    case 1:
        return tr("wrong byte count");
    case 2:
        return tr("no start");
    case 3:
        return tr("NACK");
    case 4:
        return tr("bus error");
    default:
        return tr("code %1").arg(int(errorCode));
    }
}

} // namespace

bool generatesStart(int mode)
{
    return WriteModeStarts(static_cast<EI2cWriteMode>(mode));
}

bool generatesStop(int mode)
{
    return WriteModeStops(static_cast<EI2cWriteMode>(mode));
}

QString writeType(int mode, const QString &modeText, const QString &address)
{
    QString type = generatesStart(mode) ? tr("Write %1").arg(address) : tr("Write");
    if (mode != int(EStartStop::Auto))
        type += u" [%1]"_s.arg(modeText);
    return type;
}

QString writeFlags(const SI2cWriteResult &result, bool ok, const QString &driverError)
{
    if (ok)
        return statusText(result.status);
    return statusText(result.status) + "  "_L1 + writeErrorText(result.errorCode, driverError);
}

QString readFlags(const SI2cReadResult &result, bool ok, const QString &driverError)
{
    if (ok)
        return statusText(result.status);
    return statusText(result.status) + "  "_L1 + driverError;
}

} // namespace TransferText
