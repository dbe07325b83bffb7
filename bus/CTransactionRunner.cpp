// SPDX-License-Identifier: MIT
#include "CTransactionRunner.h"

#include "CTransactionExecutor.h"

#include <utility>

CTransactionRunner::CTransactionRunner(QObject *parent)
    : QObject(parent)
    , m_control([this](std::uint64_t done, std::uint64_t total) {
        QMetaObject::invokeMethod(
            this, [this, done, total] { Q_EMIT progressChanged(done, total); },
            Qt::QueuedConnection);
    })
{}

CTransactionRunner::~CTransactionRunner()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_control.RequestCancel();
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

bool CTransactionRunner::Start(CVtlI2c &driver, const STransactionRequest &request)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_running || m_quit)
            return false;
        m_control.Reset();
        m_driver = &driver;
        m_request = request;
        m_record.reset();
        m_running = true;
        // The thread starts with the first transaction and then waits for the next one.
        if (!m_worker.joinable())
            m_worker = std::thread(&CTransactionRunner::WorkerLoop, this);
    }
    m_wake.notify_one();
    return true;
}

void CTransactionRunner::Cancel()
{
    const std::lock_guard lock(m_mutex);
    if (m_running)
        m_control.RequestCancel();
}

bool CTransactionRunner::IsRunning() const
{
    const std::lock_guard lock(m_mutex);
    return m_running;
}

void CTransactionRunner::Wait()
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_running; });
}

std::optional<STransactionRecord> CTransactionRunner::TakeRecord()
{
    const std::lock_guard lock(m_mutex);
    if (m_running)
        return std::nullopt;
    return std::exchange(m_record, std::nullopt);
}

void CTransactionRunner::WorkerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_request.has_value(); });
        if (m_quit && !m_request)
            return;
        const STransactionRequest request = std::move(*m_request);
        m_request.reset();
        CVtlI2c *driver = m_driver;
        lock.unlock();

        STransactionRecord record = CTransactionExecutor::Execute(*driver, request, &m_control);

        lock.lock();
        m_record = std::move(record);
        m_running = false;
        m_driver = nullptr;
        m_done.notify_all();
        // Emitted in the runner's own thread, possibly after the next Start: receivers
        // ask IsRunning and TakeRecord rather than trust the signal alone.
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT transactionFinished(); }, Qt::QueuedConnection);
    }
}
