// SPDX-License-Identifier: MIT
#pragma once

#include "CTransactionControl.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"

#include <QObject>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class CVtlI2c;

// Runs transactions one at a time on a worker thread of its own, so the caller's thread
// stays free (the window keeps painting) while the bus is busy. The caller starts a
// request, may cancel it, and takes the record once the transaction has finished;
// progress and the end are also signalled, in the thread the runner lives in (so its
// event loop must run for the signals to arrive; Wait() needs none). The driver
// must stay alive and untouched by other threads until the transaction has finished.
// Destroying the runner cancels a running transaction and waits for it, so no thread
// outlives its owner.
class CTransactionRunner : public QObject
{
    Q_OBJECT

public:
    explicit CTransactionRunner(QObject *parent = nullptr);
    ~CTransactionRunner() override;

    CTransactionRunner(const CTransactionRunner &) = delete;
    CTransactionRunner &operator=(const CTransactionRunner &) = delete;

    // Hands the request to the worker; false (nothing started) while one is running.
    bool Start(CVtlI2c &driver, const STransactionRequest &request);
    // Asks the running transaction to stop at its next report or probe.
    void Cancel();
    bool IsRunning() const;
    // Blocks the calling thread until the running transaction has finished.
    void Wait();
    // The record of the transaction that finished last, once; empty while running.
    std::optional<STransactionRecord> TakeRecord();

Q_SIGNALS:
    // Bytes (or probes) done of the total.
    void progressChanged(quint64 done, quint64 total);
    // The transaction has finished and its record can be taken.
    void transactionFinished();

private:
    void WorkerLoop();

    CTransactionControl m_control;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    CVtlI2c *m_driver = nullptr;
    std::optional<STransactionRequest> m_request;
    std::optional<STransactionRecord> m_record;
    bool m_running = false;
    bool m_quit = false;
    std::thread m_worker;
};
