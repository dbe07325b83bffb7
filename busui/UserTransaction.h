// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRecord.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class CBusJob;
class CBusSession;
class QWidget;

// The user's own transaction: one at a time, ahead of every other client's work on the bus
// session, and waited for while the window keeps painting (a progress dialog with Cancel
// after 300 ms).
class UserTransaction : public QObject
{
    Q_OBJECT

public:
    UserTransaction(CBusSession &session, QWidget *window);

    // The record once the transaction has ended, or nothing when no adapter is connected,
    // another of the user's transactions runs, or the adapter was lost (the loss has then
    // been reported). `what` describes it in the progress dialog; with `busyCursor` the
    // wait cursor shows meanwhile.
    std::optional<STransactionRecord> run(const STransactionRequest &request, const QString &what,
                                          bool busyCursor);
    bool isRunning() const { return m_job != nullptr; }
    // Cancels a transaction that runs and returns once the worker has let go of it.
    void cancelAndWait();

Q_SIGNALS:
    // Before a transaction starts and after it has ended.
    void runningChanged(bool running);

private:
    CBusSession &m_session;
    QWidget *m_window;
    std::shared_ptr<CBusJob> m_job;
};
