// SPDX-License-Identifier: MIT
#include "CliSingleTransaction.h"

#include "CliOutput.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "HexFormat.h"

#include <QByteArray>

using namespace Qt::StringLiterals;

namespace CliSingleTransaction {

namespace {

constexpr int BYTES_PER_LINE = 16;

} // namespace

QString DataLines(const std::vector<unsigned char> &data)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
    return HexFormat::lines(bytes, BYTES_PER_LINE, false);
}

ECliExit Run(CCliSession &session, const QString &what, QJsonObject json, const ReadExtra &extra)
{
    const SCliPlan &plan = session.Plan();
    const STransactionRequest &request = plan.requests.front();
    session.Progress().Begin(plan.commandName + u' ' + session.Address(request.address),
                             request.ProgressTotal(), u"bytes"_s);
    const STransactionRecord record = session.Execute(request);
    session.Progress().End();

    const QJsonObject base = session.JsonBase();
    for (auto it = base.begin(); it != base.end(); ++it)
        json.insert(it.key(), it.value());
    const QJsonObject fields = session.RecordJson(record);
    for (auto it = fields.begin(); it != fields.end(); ++it)
        json.insert(it.key(), it.value());
    if (!record.ok) {
        // The bytes that came before an interrupt or a failure are results too; the message
        // and the exit status tell that they are not all.
        if (!record.read.data.empty())
            session.Output().Result(DataLines(record.read.data));
        // "read 0x50", "write 0x50": the transaction as failure messages name it.
        const QString named =
            what.isEmpty() ? plan.commandName + u' ' + session.Address(record.request.address)
                           : what;
        return session.Failure(named, record, json);
    }
    if (request.kind != ETransactionKind::Write) {
        QString lines = DataLines(record.read.data);
        const QString more = extra ? extra(record.read.data, json) : QString();
        if (!more.isEmpty())
            lines += (lines.endsWith(u'\n') ? QString() : u"\n"_s) + more;
        session.Output().Result(lines);
    }
    session.JsonResult(json);
    return ECliExit::Success;
}

} // namespace CliSingleTransaction
