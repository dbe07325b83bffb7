// SPDX-License-Identifier: MIT
#include "BusJobWaiter.h"

#include "CBusJob.h"
#include "CBusSession.h"

#include <QApplication>
#include <QFontMetrics>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

// A job that ends sooner shows no dialog at all.
constexpr int PROGRESS_DELAY_MS = 300;
// The dialog follows the job's progress at this pace instead of at every report: a modal
// progress dialog processes events on each change of its value.
constexpr int PROGRESS_REFRESH_MS = 50;
// Room the window manager's close button and margins take beside a title.
constexpr int TITLE_BAR_BUTTONS_WIDTH = 120;
// QProgressBar counts in int; a larger total is shown scaled.
constexpr quint64 PROGRESS_BAR_MAX = 1 << 30;

void showProgress(QProgressDialog &dialog, quint64 done, quint64 total)
{
    done = std::min(done, total);
    while (total > PROGRESS_BAR_MAX) {
        total >>= 1;
        done >>= 1;
    }
    if (dialog.maximum() != int(total))
        dialog.setMaximum(int(total));
    if (dialog.value() != int(done))
        dialog.setValue(int(done));
}

} // namespace

namespace BusJobWaiter {

void waitFor(CBusSession &session, const std::shared_ptr<CBusJob> &job, const QString &what,
             QWidget *parent)
{
    if (job->IsFinished())
        return;
    quint64 done = 0;
    quint64 total = job->ProgressTotal();
    const QMetaObject::Connection heard =
        QObject::connect(job.get(), &CBusJob::progressChanged, job.get(),
                         [&done, &total](quint64 newDone, quint64 newTotal) {
                             done = newDone;
                             total = newTotal;
                         });

    QProgressDialog progress(what, QCoreApplication::translate("BusJobWaiter", "Cancel"), 0, 0,
                             parent);
    progress.setObjectName(u"progress_transfer"_s);
    if (parent != nullptr) {
        progress.setWindowTitle(parent->window()->windowTitle());
        // Sized for its label alone, the dialog's title bar would cut the window's title.
        const QFontMetrics titleFont(QApplication::font("QMdiSubWindowTitleBar"));
        progress.setMinimumWidth(titleFont.horizontalAdvance(progress.windowTitle()) +
                                 TITLE_BAR_BUTTONS_WIDTH);
    }
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // The dialog's own timer would show it on its own schedule; this one decides.
    progress.setMinimumDuration(INT_MAX);
    progress.hide();
    QObject::connect(&progress, &QProgressDialog::canceled, job.get(), &CBusJob::Cancel);
    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &progress, [&] {
        showProgress(progress, done, total);
        progress.show();
    });
    QTimer refreshTimer;
    QObject::connect(&refreshTimer, &QTimer::timeout, &progress, [&] {
        if (progress.isVisible())
            showProgress(progress, done, total);
    });

    QEventLoop loop;
    QObject::connect(job.get(), &CBusJob::finished, &loop, &QEventLoop::quit);
    showTimer.start(PROGRESS_DELAY_MS);
    refreshTimer.start(PROGRESS_REFRESH_MS);
    // This job's own end quits the loop, and nothing else does but the application's quit.
    loop.exec();
    if (!job->IsFinished()) {
        job->Cancel();
        session.Wait(job);
    }
    refreshTimer.stop();
    showTimer.stop();
    progress.hide();
    // Progress still queued for the job must not reach this function's gone variables.
    QObject::disconnect(heard);
}

} // namespace BusJobWaiter
