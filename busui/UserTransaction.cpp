// SPDX-License-Identifier: MIT
#include "UserTransaction.h"

#include "BusJobWaiter.h"
#include "CBusJob.h"
#include "CBusSession.h"

#include <QGuiApplication>
#include <QWidget>

namespace {

// The wait cursor for as long as a blocking bus operation runs.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

UserTransaction::UserTransaction(CBusSession &session, QWidget *window)
    : QObject(window)
    , m_session(session)
    , m_window(window)
{}

std::optional<STransactionRecord> UserTransaction::run(const STransactionRequest &request,
                                                       const QString &what, bool busyCursor)
{
    if (!m_session.IsConnected() || isRunning())
        return std::nullopt;
    std::optional<WaitCursor> cursor;
    if (busyCursor)
        cursor.emplace();
    m_job = m_session.Start(request, EBusPriority::User);
    const std::shared_ptr<CBusJob> job = m_job;
    Q_EMIT runningChanged(true);
    BusJobWaiter::waitFor(m_session, job, what, m_window);
    m_job.reset();
    Q_EMIT runningChanged(false);
    if (job->IsAdapterLost())
        return std::nullopt;
    return job->Record();
}

void UserTransaction::cancelAndWait()
{
    if (!m_job)
        return;
    m_job->Cancel();
    m_session.Wait(m_job);
}
