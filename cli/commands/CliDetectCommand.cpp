// SPDX-License-Identifier: MIT
// detect: the grid of answering addresses, and with --identify the library parts behind them.
#include "CPartLibrary.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "CliValues.h"
#include "DetectGrid.h"
#include "PartIdentify.h"
#include "PartMatchReport.h"

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString ALL = u"all"_s;
const QString IDENTIFY = u"identify"_s;
const QString ALLOW_UNSAFE = u"allow-unsafe"_s;
constexpr std::uint8_t FIRST = I2cFacts::FIRST_REGULAR_ADDRESS;
constexpr std::uint8_t LAST = I2cFacts::LAST_REGULAR_ADDRESS;
constexpr std::uint8_t ALL_LAST = I2cFacts::LAST_ADDRESS;

class CDetectCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"detect"_s,
                u"Probe the bus for answering slaves."_s,
                u"Probes the addresses 0x08 to 0x77 (0x00 to 0x7F with --all) and prints "
                u"the grid of answering addresses. With --identify, then one line per "
                u"answering address: its candidates ranked (confirmed, probable, likely) "
                u"and their number ('parts' lists the library). An ID register address "
                u"that a candidate takes as a command or stores is not sent, except at "
                u"the addresses of --allow-unsafe."_s,
                {},
                {},
                {{ALL, u"Probe every address, 0x00 to 0x7F."_s},
                 {IDENTIFY, u"Name the library parts behind the answering addresses (reads "
                            u"their ID registers)."_s},
                 {ALLOW_UNSAFE,
                  u"With --identify: read ID registers at these addresses even where a part "
                  u"that can sit there takes the register address as a command or stores it."_s,
                  u"ADDR[,ADDR...]"_s}},
                0,
                0};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        const bool all = invocation.flags.contains(ALL);
        m_identify = invocation.flags.contains(IDENTIFY);
        if (invocation.values.contains(ALLOW_UNSAFE)) {
            if (!m_identify) {
                error = u"--allow-unsafe needs --identify"_s;
                return false;
            }
            for (const QString &text : invocation.values.value(ALLOW_UNSAFE).split(u',')) {
                const auto address = CliValues::ParseAddress(text.trimmed(), plan.global.eightBit,
                                                             u"--allow-unsafe"_s, error);
                if (!address)
                    return false;
                m_anyByte.push_back(*address);
            }
        }
        plan.requests.push_back(
            STransactionRequest::Search(all ? 0 : FIRST, all ? ALL_LAST : LAST));
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override
    {
        const STransactionRequest &request = session.Plan().requests.front();
        session.Progress().Begin(u"detect"_s, request.ProgressTotal(), u"addresses"_s);
        const STransactionRecord record = session.Execute(request);
        session.Progress().End();

        QJsonObject json = session.JsonBase();
        json.insert(u"first"_s, session.Address(request.firstAddress));
        json.insert(u"last"_s, session.Address(request.lastAddress));
        QJsonArray found;
        for (const std::uint8_t address : record.found)
            found.append(session.Address(address));
        json.insert(u"found"_s, found);
        json.insert(u"count"_s, qint64(record.found.size()));
        if (!record.ok)
            return session.Failure(u"detect"_s, record, json);
        session.Output().Result(DetectGrid::Format(request.firstAddress, request.lastAddress,
                                                   record.found, session.Plan().global.eightBit));
        session.JsonResult(json);
        if (m_identify)
            return Identify(session, record.found);
        return ECliExit::Success;
    }

private:
    // After the grid, what the library knows of each found address.
    ECliExit Identify(CCliSession &session, const std::vector<std::uint8_t> &found) const
    {
        const CCliOutput &output = session.Output();
        CPartLibrary library;
        if (!library.LoadDefault()) {
            output.Error(library.GetLastError());
            output.JsonResult(session.Plan().commandName, session.JsonBase(), false,
                              output.LastError());
            return ECliExit::Usage;
        }
        std::vector<SPartMatch> matches = PartIdentify::Candidates(library, found);
        for (SPartMatch &match : matches)
            match.anyByteAllowed =
                std::find(m_anyByte.begin(), m_anyByte.end(), match.address) != m_anyByte.end();
        const SBusProcedureResult result =
            session.RunProcedure([&library, &matches](CBusContext &context) {
                return PartIdentify::Run(context, library, matches);
            });
        if (!result.ok) {
            const bool interrupted = session.IsInterrupted();
            if (!interrupted)
                output.Error(u"identify: "_s + QString::fromStdString(result.error));
            output.JsonResult(session.Plan().commandName, session.JsonBase(), false,
                              interrupted ? u"interrupted"_s : output.LastError());
            return interrupted ? ECliExit::Interrupted : ECliExit::BusFailure;
        }

        QStringList lines;
        for (const SPartMatch &match : matches) {
            const QString address = session.Address(match.address);
            lines.append(u"%1: %2"_s.arg(address, PartMatchReport::Line(library, match)));
            QJsonObject json = session.JsonBase();
            json.insert(u"address"_s, address);
            const QJsonObject fields = PartMatchReport::Fields(library, match);
            for (auto it = fields.begin(); it != fields.end(); ++it)
                json.insert(it.key(), it.value());
            session.JsonResult(json);
        }
        if (!lines.isEmpty())
            output.Result(lines.join(u'\n'));
        return ECliExit::Success;
    }

    bool m_identify = false;
    // --allow-unsafe: where ID reads may send any register address.
    std::vector<std::uint8_t> m_anyByte;
};

} // namespace

namespace CliCommands {

SCliCommandEntry DetectCommand()
{
    return CliCommandEntry<CDetectCommand>();
}

} // namespace CliCommands
