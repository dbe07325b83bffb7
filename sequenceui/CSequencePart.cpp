// SPDX-License-Identifier: MIT
#include "CSequencePart.h"

#include "BusJobWaiter.h"
#include "CBusSession.h"
#include "COutputTable.h"
#include "CSequenceJob.h"
#include "NumberText.h"
#include "SequenceParser.h"
#include "WriteConfirmation.h"

#include <QMessageBox>

#include <set>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString StatusText(std::uint8_t status, bool ok, const std::string &error)
{
    QString text = NumberText::Hex(status, 2);
    if (!ok)
        text += u"  "_s + QString::fromStdString(error);
    return text;
}

} // namespace

CSequencePart::CSequencePart(CBusSession &session, COutputTable &table,
                             AddressFormatter formatAddress, QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_table(table)
    , m_formatAddress(std::move(formatAddress))
    , m_dialogParent(dialogParent)
{}

void CSequencePart::Run(const QString &label, std::uint8_t address, const QStringList &lines)
{
    if (m_running)
        return;
    SSequenceError error;
    std::optional<std::vector<SSequenceStep>> steps =
        SequenceParser::ParseAndExpand(lines, address, error);
    if (!steps) {
        QMessageBox::warning(m_dialogParent, tr("Run Sequence"),
                             tr("\"%1\" is no valid sequence.\nLine %2, column %3: %4")
                                 .arg(label)
                                 .arg(error.line)
                                 .arg(error.column)
                                 .arg(error.message));
        return;
    }
    if (!confirmWrites(label, *steps))
        return;
    m_steps = *steps;
    CSequenceJob sequence(label, std::move(*steps));
    connect(&sequence, &CSequenceJob::stepDone, this, &CSequencePart::addStepRows);
    m_running = true;
    const std::shared_ptr<CBusJob> job = sequence.Start(m_session);
    BusJobWaiter::waitFor(m_session, job, tr("Running the sequence \"%1\"...").arg(label),
                          m_dialogParent);
    m_running = false;
    const SSequenceResult result = sequence.Result();
    m_table.AddRow(tr("Sequence %1").arg(label), QString(), CSequenceJob::Summary(result),
                   !result.ok && !result.cancelled);
}

bool CSequencePart::confirmWrites(const QString &label, const std::vector<SSequenceStep> &steps)
{
    std::set<std::uint8_t> written;
    int writes = 0;
    for (const SSequenceStep &step : steps) {
        for (const STransferMessage &message : step.messages) {
            if (!message.read) {
                written.insert(message.address);
                ++writes;
            }
        }
    }
    // A sequence that only reads changes no chip; without an adapter nothing is sent.
    if (written.empty() || !m_session.IsConnected())
        return true;
    QStringList addresses;
    for (const std::uint8_t address : written)
        addresses.append(m_formatAddress(address));
    return WriteConfirmation::confirm(
        m_dialogParent,
        {tr("Run"), tr("Sequence \"%1\"").arg(label), addresses.join(u", "_s),
         QString::fromStdWString(m_session.Info().serial),
         tr("The sequence writes %n time(s) to the chips at these addresses.", nullptr, writes)});
}

void CSequencePart::addRecordRow(const STransactionRecord &record)
{
    const STransactionRequest &request = record.request;
    const QString target = m_formatAddress(request.address);
    const STableRowTime time{record.startedMs, record.durationUs};
    const auto origin = m_session.IsConnected()
                            ? std::optional(STableRowOrigin::Of(m_session.Info(), request.address))
                            : std::nullopt;
    if (request.kind == ETransactionKind::Read) {
        m_table.AddRow(tr("Read %1").arg(target),
                       StatusText(record.read.status, record.ok, record.lastError),
                       record.read.data, !record.ok, time, origin, request);
        return;
    }
    // A message that a repeated start follows ends without a stop.
    const QString type = request.stop ? tr("Write %1").arg(target)
                                      : tr("Write %1 [%2]").arg(target, tr("Generate Start"));
    m_table.AddRow(type, StatusText(record.write.status, record.ok, record.lastError), request.data,
                   !record.ok, time, origin, request);
}

void CSequencePart::addStepRows(const SSequenceOutcome &outcome)
{
    for (const STransactionRecord &record : outcome.records)
        addRecordRow(record);
    if (outcome.index >= m_steps.size())
        return;
    const SSequenceStep &step = m_steps[outcome.index];
    const bool ok = outcome.status == ESequenceStatus::Ok;
    switch (step.kind) {
    case ESequenceStepKind::Expect:
    case ESequenceStepKind::Poll: {
        const QString target = m_formatAddress(step.messages.back().address);
        const QString type = step.kind == ESequenceStepKind::Expect ? tr("Expect %1").arg(target)
                                                                    : tr("Poll %1").arg(target);
        m_table.AddRow(type, ok ? tr("ok") : tr("line %1: %2").arg(step.line).arg(outcome.message),
                       outcome.read, !ok);
        break;
    }
    case ESequenceStepKind::Echo:
        m_table.AddRow(tr("Echo"), QString(), outcome.message, false);
        break;
    case ESequenceStepKind::Transfer:
    case ESequenceStepKind::Delay:
        break;
    }
}
