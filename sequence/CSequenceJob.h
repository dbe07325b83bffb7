// SPDX-License-Identifier: MIT
#pragma once

#include "CBusJob.h"
#include "CSequenceRunner.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class CBusSession;

// A sequence as one job on the bus session, for the window: nothing else of the user's runs
// between its steps, its progress counts steps, and Cancel stops it between steps and inside
// delays and polls. Each step's outcome and then the result arrive as signals in the
// session's thread, in the order the steps ran and after the job's own transaction signals
// of that step.
class CSequenceJob : public QObject
{
    Q_OBJECT

public:
    CSequenceJob(QString label, std::vector<SSequenceStep> steps, QObject *parent = nullptr);
    CSequenceJob(QString label, CSequenceProgram program, QObject *parent = nullptr);

    const QString &Label() const { return m_label; }
    // Queues the sequence at the priority of a dock's work; call once.
    std::shared_ptr<CBusJob> Start(CBusSession &session);
    std::shared_ptr<CBusJob> Job() const { return m_job; }
    // How it ended; meaningful once the bus job has finished (finished() follows).
    SSequenceResult Result() const;

    // "12 steps, ok, 38.2 ms", "cancelled at line 3" or "line 7: <reason>", for the summary
    // row and the status bar.
    static QString Summary(const SSequenceResult &result);

Q_SIGNALS:
    void stepDone(const SSequenceOutcome &outcome);
    void finished();

private:
    void onJobFinished();

    QString m_label;
    std::shared_ptr<CSequenceRunner> m_runner;
    std::shared_ptr<SSequenceResult> m_shared;
    std::shared_ptr<CBusJob> m_job;
};

Q_DECLARE_METATYPE(SSequenceOutcome)
