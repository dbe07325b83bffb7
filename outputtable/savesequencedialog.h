// SPDX-License-Identifier: MIT
#pragma once

#include "SequenceRecording.h"
#include "TableCopy.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The modal dialog of "Save as Sequence...": how many of the selected rows become steps and
// how many are skipped, whether the pauses between them are kept as delays, the lines as
// they will be stored, and where they go (a command of the current project device, or a
// sequence file).
class SaveSequenceDialog : public QDialog
{
    Q_OBJECT

public:
    enum class EDestination
    {
        None,
        Project,
        File,
    };

    SaveSequenceDialog(QList<TableCopy::SRow> rows, bool toProject, QWidget *parent);

    QStringList lines() const { return m_recording.lines; }
    EDestination destination() const { return m_destination; }

private Q_SLOTS:
    void onDelaysToggled();

private:
    void finish(EDestination destination);

    QList<TableCopy::SRow> m_rows;
    SSequenceRecording m_recording;
    EDestination m_destination = EDestination::None;
    QCheckBox *m_delays = nullptr;
    QLabel *m_summary = nullptr;
    QPlainTextEdit *m_preview = nullptr;
    QPushButton *m_toProject = nullptr;
    QPushButton *m_toFile = nullptr;
};
