// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "STransactionRecord.h"

#include <QString>

#include <functional>
#include <vector>

// What a write, read or search puts in the Type and Flags columns of the output table,
// and what the start/stop choice of a write means for the bus.
namespace TransferText {

// The entries of the start/stop box, in index order.
enum class EStartStop
{
    Auto = 0,
    GenerateStart = 1,
    GenerateStop = 2,
    None = 3,
};

bool generatesStart(int mode);
bool generatesStop(int mode);

// "Write 0x50", "Write 0x50 [Generate Start]", "Write [None]": the address is shown
// only when the mode generates a start, the mode's text whenever it is not "Auto".
QString writeType(int mode, const QString &modeText, const QString &address);

// "0x" and the status byte; after a failure two blanks and the reason, named by the
// reply's error code or, when the reply carried none, by the driver's text.
QString writeFlags(const SI2cWriteResult &result, bool ok, const QString &driverError);

// "0x" and the status byte; after a failure two blanks and the driver's text.
QString readFlags(const SI2cReadResult &result, bool ok, const QString &driverError);

// The start/stop box entry that a write request with these conditions stands for.
int modeOf(const STransactionRequest &request);

// Whether the request addresses a slave (everything but a write without start).
bool isAddressed(const STransactionRequest &request);

// What the progress dialog says while a write, read or write/read runs.
QString progressText(const STransactionRequest &request, const QString &target);

// The Data cell of a search: the found addresses as the formatter writes them, or "No device
// found".
QString foundList(const std::vector<std::uint8_t> &found,
                  const std::function<QString(std::uint8_t)> &formatAddress);

// A write, read or write/read as an output-table row: Type, Flags and the bytes of the Data
// cell (written for a write, read otherwise). `modeText` is the start/stop entry's text.
struct SRecordRow
{
    QString type;
    QString flags;
    std::vector<unsigned char> data;
};
SRecordRow recordRow(const STransactionRecord &record, const QString &target,
                     const QString &modeText);

} // namespace TransferText
