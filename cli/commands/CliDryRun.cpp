// SPDX-License-Identifier: MIT
#include "CliDryRun.h"

#include "CI2cDeviceFile.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "NumberText.h"

#include <QJsonArray>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace CliDryRun {

QString TransferLine(const STransactionRequest &request, bool eightBit)
{
    const QString address = NumberText::Address(request.address, eightBit);
    if (request.kind == ETransactionKind::Read)
        return u"r%1@%2"_s.arg(request.count).arg(address);
    QString line = u"w%1@%2"_s.arg(request.data.size()).arg(address);
    if (!request.data.empty())
        line += u' ' + CI2cDeviceFile::BytesToHex(request.data);
    if (request.kind == ETransactionKind::WriteRead)
        return line + u" r%1"_s.arg(request.count);
    QStringList missing;
    if (!request.start)
        missing.append(u"no start, no address byte"_s);
    if (!request.stop)
        missing.append(u"no stop"_s);
    if (!missing.isEmpty())
        line += u"  # "_s + missing.join(u", "_s);
    return line;
}

ECliExit Print(const SCliPlan &plan, const std::vector<STransactionRequest> &requests,
               const CCliOutput &output)
{
    QStringList lines;
    QJsonArray transfers;
    for (const STransactionRequest &request : requests) {
        lines.append(TransferLine(request, plan.global.eightBit));
        transfers.append(lines.last());
    }
    output.Result(lines.join(u'\n'));
    output.JsonResult(plan.commandName, {{u"dryRun"_s, true}, {u"transfers"_s, transfers}}, true);
    return ECliExit::Success;
}

} // namespace CliDryRun
