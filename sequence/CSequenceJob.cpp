// SPDX-License-Identifier: MIT
#include "CSequenceJob.h"

#include "CBusSession.h"

#include <QMetaObject>
#include <QPointer>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

[[maybe_unused]] const int OUTCOME_META_TYPE = qRegisterMetaType<SSequenceOutcome>();

} // namespace

CSequenceJob::CSequenceJob(QString label, std::vector<SSequenceStep> steps, QObject *parent)
    : CSequenceJob(std::move(label), CSequenceProgram(std::move(steps)), parent)
{}

CSequenceJob::CSequenceJob(QString label, CSequenceProgram program, QObject *parent)
    : QObject(parent)
    , m_label(std::move(label))
    , m_runner(std::make_shared<CSequenceRunner>(std::move(program)))
    , m_shared(std::make_shared<SSequenceResult>())
{
    // The handler runs on the bus worker; the outcome is posted to this object's thread, so
    // it follows the session's own posted notices of the step's transactions.
    QPointer<CSequenceJob> self(this);
    m_runner->SetStepHandler([self](const SSequenceOutcome &outcome) {
        QMetaObject::invokeMethod(
            self,
            [self, outcome] {
                if (self)
                    Q_EMIT self->stepDone(outcome);
            },
            Qt::QueuedConnection);
    });
}

std::shared_ptr<CBusJob> CSequenceJob::Start(CBusSession &session)
{
    m_shared->stepsTotal = std::size_t(m_runner->Program().StepCount());
    m_job = session.Start(CSequenceRunner::Procedure(m_runner, m_shared), EBusPriority::Normal);
    if (m_job->IsFinished()) {
        // Not connected: the job ended at once, before a handler could hear it.
        QMetaObject::invokeMethod(this, &CSequenceJob::onJobFinished, Qt::QueuedConnection);
    } else {
        connect(m_job.get(), &CBusJob::finished, this, &CSequenceJob::onJobFinished,
                Qt::QueuedConnection);
    }
    return m_job;
}

SSequenceResult CSequenceJob::Result() const
{
    SSequenceResult result = *m_shared;
    if (!m_job || !m_job->IsFinished())
        return result;
    const SBusProcedureResult &job = m_job->Result();
    // A job that never ran its procedure (cancelled in the queue, no adapter) says why itself.
    if (result.ok && !job.ok) {
        result.ok = false;
        result.cancelled = job.cancelled;
        result.error = QString::fromStdString(job.error);
    }
    return result;
}

void CSequenceJob::onJobFinished()
{
    Q_EMIT finished();
}

QString CSequenceJob::Summary(const SSequenceResult &result)
{
    const QString milliseconds = QString::number(double(result.durationUs) / 1000.0, 'f', 1);
    if (result.ok)
        return result.stepsDone == 1
                   ? tr("1 step, ok, %1 ms").arg(milliseconds)
                   : tr("%n steps, ok, %1 ms", nullptr, int(result.stepsDone)).arg(milliseconds);
    if (result.cancelled)
        return result.failedLine > 0 ? tr("cancelled at line %1").arg(result.failedLine)
                                     : tr("cancelled");
    if (result.failedLine == 0)
        return result.error;
    return tr("line %1: %2").arg(result.failedLine).arg(result.error);
}
