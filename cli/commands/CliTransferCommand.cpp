// SPDX-License-Identifier: MIT
// transfer: several messages joined by repeated starts.
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "CliSingleTransaction.h"
#include "TransferMessages.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

class CTransferCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"transfer"_s,
                u"Several messages joined by repeated starts."_s,
                u"Sends the messages joined by repeated starts, with one stop at the end. A write "
                u"is w<N>@<ADDR> followed by N bytes, a read r<N>[@<ADDR>]; a message without @ "
                u"goes to the previous address. A byte ending in = repeats, + counts up, - counts "
                u"down for the rest of its message. The adapters end every read with a stop, so "
                u"a read can only be the last message."_s,
                {{u"MSG"_s, u"Messages and their bytes, e.g. w2@0x50 00 10 r8."_s}},
                u"MSG..."_s,
                {},
                1,
                -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        auto messages = TransferMessages::Parse(invocation.arguments, plan.global.eightBit, error);
        if (!messages)
            return false;
        m_messages = std::move(*messages);
        plan.requests = TransferMessages::ToRequests(m_messages);
        for (std::size_t i = 0; i < m_messages.size(); ++i) {
            const STransferMessage &message = m_messages[i];
            plan.typedAddresses.push_back(message.address);
            if (message.read)
                plan.NoteRead(message.count, u"message %1 (%2)"_s.arg(i + 1).arg(message.word));
        }
        plan.address = m_messages.front().address;
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override
    {
        const SCliPlan &plan = session.Plan();
        QJsonObject json = session.JsonBase();
        QJsonArray messages;
        std::vector<unsigned char> lastRead;
        std::size_t bytesRead = 0;
        for (std::size_t i = 0; i < plan.requests.size(); ++i) {
            const STransactionRequest &request = plan.requests[i];
            const STransferMessage &message = m_messages[i];
            session.Progress().Begin(u"transfer %1"_s.arg(message.word), request.ProgressTotal(),
                                     u"bytes"_s);
            const STransactionRecord record = session.Execute(request);
            session.Progress().End();
            messages.append(session.RecordJson(record));
            json.insert(u"messages"_s, messages);
            bytesRead += record.read.data.size();
            json.insert(u"count"_s, qint64(bytesRead));
            if (!record.ok) {
                const QString what =
                    u"transfer: message %1 (%2), %3 of %4 messages went through"_s.arg(i + 1)
                        .arg(message.word)
                        .arg(i)
                        .arg(plan.requests.size());
                return session.Failure(what, record, json);
            }
            if (message.read)
                lastRead = record.read.data;
        }
        if (m_messages.back().read)
            session.Output().Result(CliSingleTransaction::DataLines(lastRead));
        session.JsonResult(json);
        return ECliExit::Success;
    }

private:
    std::vector<STransferMessage> m_messages;
};

} // namespace

namespace CliCommands {

SCliCommandEntry TransferCommand()
{
    return CliCommandEntry<CTransferCommand>();
}

} // namespace CliCommands
