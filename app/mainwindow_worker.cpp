// SPDX-License-Identifier: MIT
// Bus transactions on the worker thread: the wait that keeps the window painting, the
// progress dialog with Cancel, and what the window refuses meanwhile.
#include "CTransactionRunner.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

// A transaction that ends sooner shows no dialog at all.
constexpr int PROGRESS_DELAY_MS = 300;
// The dialog follows the worker's progress at this pace instead of at every report: a
// modal progress dialog processes events on each change of its value.
constexpr int PROGRESS_REFRESH_MS = 50;
// QProgressBar counts in int; a larger total is shown scaled.
constexpr quint64 PROGRESS_BAR_MAX = 1 << 30;

} // namespace

bool MainWindow::isTransactionRunning() const
{
    return m_userTransaction;
}

bool MainWindow::isBusBusy() const
{
    return m_runner != nullptr && m_runner->IsRunning();
}

void MainWindow::ensureRunner()
{
    if (m_runner != nullptr)
        return;
    m_runner = std::make_unique<CTransactionRunner>();
    connect(m_runner.get(), &CTransactionRunner::progressChanged, this,
            [this](quint64 done, quint64 total) {
                m_progressDone = done;
                m_progressTotal = total;
            });
    connect(m_runner.get(), &CTransactionRunner::transactionFinished, this,
            &MainWindow::onRunnerFinished);
}

void MainWindow::runDuePresenceCheck()
{
    if (!m_presenceCheckDue)
        return;
    m_presenceCheckDue = false;
    // After the caller has dealt with the result, which may already be the loss.
    QTimer::singleShot(0, this, &MainWindow::onPresenceTimer);
}

std::optional<STransactionRecord> MainWindow::runTransaction(const STransactionRequest &request,
                                                             const QString &what)
{
    if (m_i2c == nullptr || m_userTransaction)
        return std::nullopt;
    // A watch reading under way ends first: the two never share the bus. Its failure may
    // have found the adapter gone.
    waitForWatchSample();
    if (m_i2c == nullptr)
        return std::nullopt;
    ensureRunner();
    m_progressDone = 0;
    m_progressTotal = request.ProgressTotal();

    QProgressDialog progress(what, tr("Cancel"), 0, 0, this);
    progress.setObjectName(u"progress_transfer"_s);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // The dialog's own timer would show it on its own schedule; this one decides.
    progress.setMinimumDuration(INT_MAX);
    progress.hide();
    connect(&progress, &QProgressDialog::canceled, m_runner.get(), &CTransactionRunner::Cancel);
    QTimer showTimer;
    showTimer.setSingleShot(true);
    connect(&showTimer, &QTimer::timeout, &progress, [this, &progress] {
        showTransactionProgress(progress);
        progress.show();
    });
    QTimer refreshTimer;
    connect(&refreshTimer, &QTimer::timeout, &progress, [this, &progress] {
        if (progress.isVisible())
            showTransactionProgress(progress);
    });

    QEventLoop loop;
    connect(m_runner.get(), &CTransactionRunner::transactionFinished, &loop, &QEventLoop::quit);
    if (!m_runner->Start(*m_i2c, request))
        return std::nullopt;
    setTransactionRunning(true);
    showTimer.start(PROGRESS_DELAY_MS);
    refreshTimer.start(PROGRESS_REFRESH_MS);
    if (m_runner->IsRunning())
        loop.exec();
    // The loop also ends when the application quits under it; the transaction is then
    // cancelled and awaited here, so no caller continues while the worker holds the bus.
    if (m_runner->IsRunning()) {
        m_runner->Cancel();
        m_runner->Wait();
    }
    refreshTimer.stop();
    showTimer.stop();
    progress.hide();
    setTransactionRunning(false);
    runDuePresenceCheck();
    std::optional<STransactionRecord> record = m_runner->TakeRecord();
    resumeWatch();
    return record;
}

void MainWindow::showTransactionProgress(QProgressDialog &dialog) const
{
    quint64 total = m_progressTotal;
    quint64 done = std::min(m_progressDone, total);
    while (total > PROGRESS_BAR_MAX) {
        total >>= 1;
        done >>= 1;
    }
    if (dialog.maximum() != int(total))
        dialog.setMaximum(int(total));
    if (dialog.value() != int(done))
        dialog.setValue(int(done));
}

void MainWindow::setTransactionRunning(bool running)
{
    m_userTransaction = running;
    // Nothing that would start another transaction, change the connection or edit the
    // projects folder while the worker holds the driver.
    ui->dockWidgetContents->setEnabled(!running);
    ui->actionProjects_Folder->setEnabled(!running);
    ui->tbtn_write_save->setEnabled(!running);
    ui->tbtn_read_save->setEnabled(!running);
    ui->btn_write_read_save->setEnabled(!running);
    updateUiState();
}
