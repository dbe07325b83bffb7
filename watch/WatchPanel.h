// SPDX-License-Identifier: MIT
#pragma once

#include "CWatchLog.h"
#include "SValueDecoding.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class WatchPlot;

// The content of the Watch dock: what is read repeatedly, how its bytes become a value,
// the interval, and the values of the run so far as figures and a plot. It never touches
// the bus: the window owns the timer, performs each reading and hands the result to
// addSample, and answers the three request signals.
class WatchPanel : public QWidget
{
    Q_OBJECT

public:
    explicit WatchPanel(QWidget *parent = nullptr);

    // The window's words for what is read, such as "Read 0x23, 2 bytes"; an empty text
    // means there is nothing to watch. A given decoding replaces the one in the controls.
    void setTarget(const QString &description, const std::optional<SValueDecoding> &decoding);
    bool hasTarget() const { return !m_target.isEmpty(); }
    // Offers "Save to Command" while the target is a stored command; a new target takes
    // the offer back.
    void setSavesToCommand(bool saves);
    // The same target in other words (the address notation changed); the readings stay.
    void setTargetText(const QString &description);
    // Marks the readings as another adapter's (an empty text takes the mark away): the note
    // says whose they are and the plot is greyed, so they cannot pass for current ones.
    void setSourceNote(const QString &note);
    // As the controls hold it; a scale or add field that holds no number keeps its last
    // number.
    SValueDecoding decoding() const { return m_decoding; }
    int intervalMs() const;

    // Starting a run empties the log, so it holds the readings since Start. While running
    // the target, the interval and the decoding are locked.
    void setRunning(bool running);
    bool isRunning() const { return m_running; }

    // One reading: `error` is the driver's text of a failure and must not be empty for a
    // failed reading; the bytes are decoded only when it is empty.
    void addSample(std::int64_t timeMs, const std::vector<unsigned char> &bytes,
                   const QString &error);
    void clear();

    const CWatchLog &log() const { return m_log; }
    QString summaryText() const { return m_log.SummaryText(m_decoding.unit); }

Q_SIGNALS:
    void fromFieldsRequested();
    void startRequested();
    void stopRequested();
    // "Save to Command": the decoding on screen is to be stored in the watched command.
    void saveDecodingRequested();
    // The decoding in the controls changed and the readings were decoded again.
    void decodingChanged();
    // A confirmation for the status bar, such as after an export.
    void statusMessage(const QString &text);

private Q_SLOTS:
    void onDecodingEdited();
    void onExport();

private:
    void createControls();
    void createLayout();
    void connectControls();
    void updateControls();
    void updateReadings();

    QString m_target;
    bool m_running = false;
    bool m_savesToCommand = false;
    SValueDecoding m_decoding;
    CWatchLog m_log;
    QString m_exportPath;

    QLabel *m_targetLabel = nullptr;
    QPushButton *m_fromFieldsButton = nullptr;
    QSpinBox *m_intervalSpin = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_saveDecodingButton = nullptr;
    QSpinBox *m_offsetSpin = nullptr;
    QComboBox *m_typeCombo = nullptr;
    QLineEdit *m_scaleEdit = nullptr;
    QLineEdit *m_addEdit = nullptr;
    QLineEdit *m_unitEdit = nullptr;
    QLabel *m_statsLabel = nullptr;
    QLabel *m_sourceNote = nullptr;
    QLabel *m_rawLabel = nullptr;
    WatchPlot *m_plot = nullptr;
};
