// SPDX-License-Identifier: MIT
#include "TransferText.h"

#include "CI2cDeviceFile.h"
#include "FailureText.h"
#include "NumberText.h"
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
    return NumberText::Hex(status, 2);
}

// The window's short wording of the adapter's error code, from the driver's table of them.
QString writeErrorText(std::uint8_t errorCode, const QString &driverError)
{
    if (errorCode == 0)
        return driverError;
    const char *shortText = FailureText::WriteError(errorCode).shortText;
    if (*shortText == '\0')
        return tr("code %1").arg(int(errorCode));
    return tr(shortText);
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

int modeOf(const STransactionRequest &request)
{
    if (request.start)
        return int(request.stop ? EStartStop::Auto : EStartStop::GenerateStart);
    return int(request.stop ? EStartStop::GenerateStop : EStartStop::None);
}

bool isAddressed(const STransactionRequest &request)
{
    return request.kind != ETransactionKind::Write || request.start;
}

QString progressText(const STransactionRequest &request, const QString &target)
{
    const auto written = request.data.size();
    switch (request.kind) {
    case ETransactionKind::Read:
        return tr("Reading %1 bytes from %2...").arg(request.count).arg(target);
    case ETransactionKind::WriteRead:
        return tr("Writing %1 bytes to %2, then reading %3 bytes...")
            .arg(written)
            .arg(target)
            .arg(request.count);
    default:
        return request.start ? tr("Writing %1 bytes to %2...").arg(written).arg(target)
                             : tr("Writing %1 bytes...").arg(written);
    }
}

QString foundList(const std::vector<std::uint8_t> &found,
                  const std::function<QString(std::uint8_t)> &formatAddress)
{
    QStringList texts;
    for (const std::uint8_t address : found)
        texts << formatAddress(address);
    return texts.isEmpty() ? tr("No device found") : texts.join(", "_L1);
}

SRecordRow recordRow(const STransactionRecord &record, const QString &target,
                     const QString &modeText)
{
    const STransactionRequest &request = record.request;
    const QString error = QString::fromStdString(record.lastError);
    switch (request.kind) {
    case ETransactionKind::Read:
        return {tr("Read %1").arg(target), readFlags(record.read, record.ok, error),
                record.read.data};
    case ETransactionKind::WriteRead:
        // A failed write part sent no read: its own status tells what went wrong.
        return {tr("Write/Read %1 [%2]").arg(target, CI2cDeviceFile::BytesToHex(request.data)),
                record.readPartReached ? readFlags(record.read, record.ok, error)
                                       : writeFlags(record.write, false, error),
                record.read.data};
    default:
        return {writeType(modeOf(request), modeText, target),
                writeFlags(record.write, record.ok, error), request.data};
    }
}

} // namespace TransferText
