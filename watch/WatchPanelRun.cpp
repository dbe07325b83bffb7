// SPDX-License-Identifier: MIT
#include "ErrorColor.h"
#include "HexFormat.h"
#include "WatchNumber.h"
#include "WatchPanel.h"
#include "WatchPlot.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardPaths>

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Readings this much slower than the interval are worth a note; less is timer jitter.
constexpr double SLOW_FACTOR = 1.1;

std::optional<double> numberOf(const QLineEdit *edit)
{
    if (!edit->hasAcceptableInput())
        return std::nullopt;
    bool ok = false;
    const double value = edit->text().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void markValid(QLineEdit *edit, bool valid)
{
    QPalette palette;
    if (!valid)
        palette.setColor(QPalette::Text, ERROR_COLOR);
    edit->setPalette(palette);
}

QString hexOf(const std::vector<unsigned char> &bytes)
{
    QString text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += u' ';
        text += HexFormat::hexByte(bytes[i]);
    }
    return text;
}

} // namespace

void WatchPanel::setTarget(const QString &description,
                           const std::optional<SValueDecoding> &decoding)
{
    m_target = description;
    m_savesToCommand = false;
    m_targetLabel->setText(hasTarget() ? description : tr("Nothing to watch yet"));
    if (decoding) {
        const QSignalBlocker offsetBlocker(m_offsetSpin);
        const QSignalBlocker typeBlocker(m_typeCombo);
        const QSignalBlocker scaleBlocker(m_scaleEdit);
        const QSignalBlocker addBlocker(m_addEdit);
        const QSignalBlocker unitBlocker(m_unitEdit);
        m_offsetSpin->setValue(int(decoding->offset));
        m_typeCombo->setCurrentIndex(m_typeCombo->findData(int(decoding->type)));
        m_scaleEdit->setText(WatchNumber::Exact(decoding->scale));
        m_addEdit->setText(WatchNumber::Exact(decoding->add));
        m_unitEdit->setText(decoding->unit);
    }
    onDecodingEdited();
}

void WatchPanel::setTargetText(const QString &description)
{
    if (!hasTarget())
        return;
    m_target = description;
    m_targetLabel->setText(description);
}

void WatchPanel::setSourceNote(const QString &note)
{
    m_sourceNote->setText(note);
    m_sourceNote->setVisible(!note.isEmpty());
    m_plot->setEnabled(note.isEmpty());
}

void WatchPanel::setSavesToCommand(bool saves)
{
    m_savesToCommand = saves;
    updateControls();
}

int WatchPanel::intervalMs() const
{
    return m_intervalSpin->value();
}

void WatchPanel::setRunning(bool running)
{
    if (running && !m_running)
        clear();
    m_running = running;
    updateControls();
}

void WatchPanel::addSample(std::int64_t timeMs, const std::vector<unsigned char> &bytes,
                           const QString &error)
{
    SWatchSample sample;
    sample.timeMs = timeMs;
    sample.bytes = bytes;
    sample.error = error;
    if (!sample.Failed())
        sample.value = m_decoding.Decode(bytes);
    m_log.Append(std::move(sample));
    updateReadings();
}

void WatchPanel::clear()
{
    m_log.Clear();
    setSourceNote(QString());
    updateReadings();
}

// Takes what the controls hold and decodes the log again, so figures, plot and export
// always follow the decoding on screen.
void WatchPanel::onDecodingEdited()
{
    m_decoding.offset = std::size_t(m_offsetSpin->value());
    m_decoding.type = EValueType(m_typeCombo->currentData().toInt());
    const std::optional<double> scale = numberOf(m_scaleEdit);
    const std::optional<double> add = numberOf(m_addEdit);
    markValid(m_scaleEdit, scale.has_value());
    markValid(m_addEdit, add.has_value());
    m_decoding.scale = scale.value_or(m_decoding.scale);
    m_decoding.add = add.value_or(m_decoding.add);
    m_decoding.unit = m_unitEdit->text().trimmed();
    m_plot->setUnit(m_decoding.unit);
    m_log.Redecode(m_decoding);
    updateReadings();
    Q_EMIT decodingChanged();
}

void WatchPanel::onExport()
{
    if (m_exportPath.isEmpty())
        m_exportPath = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                           .filePath(u"watch.csv"_s);
    const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), m_exportPath,
                                                      tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    m_exportPath = path;
    if (!m_log.SaveCsv(path, m_decoding.unit)) {
        QMessageBox::critical(this, tr("Export CSV"),
                              tr("Could not write the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(path), m_log.GetLastError()));
        return;
    }
    Q_EMIT statusMessage(tr("%n sample(s) exported to %1", nullptr, int(m_log.Count()))
                             .arg(QDir::toNativeSeparators(path)));
}

void WatchPanel::updateControls()
{
    m_startButton->setEnabled(hasTarget() && !m_running);
    m_stopButton->setEnabled(m_running);
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_fromFieldsButton, m_intervalSpin, m_offsetSpin,
                                          m_typeCombo, m_scaleEdit, m_addEdit, m_unitEdit})
        control->setEnabled(!m_running);
    m_exportButton->setEnabled(m_log.Count() > 0);
    m_saveDecodingButton->setVisible(m_savesToCommand);
    m_saveDecodingButton->setEnabled(m_savesToCommand && !m_running);
}

void WatchPanel::updateReadings()
{
    QString raw;
    if (m_log.Count() > 0) {
        const SWatchSample &latest = m_log.Samples().back();
        if (latest.Failed())
            raw = tr("failed: %1").arg(latest.error);
        else if (!latest.value)
            raw = tr("%1 (no value for this decoding)").arg(hexOf(latest.bytes));
        else
            raw = hexOf(latest.bytes);
    }
    m_rawLabel->setText(raw);

    QString stats = summaryText();
    const std::optional<double> mean = m_log.MeanTimePerSampleMs();
    if (mean && *mean > intervalMs() * SLOW_FACTOR)
        stats += u'\n' + tr("interval too short: %1 ms per sample").arg(std::lround(*mean));
    m_statsLabel->setText(stats);
    m_plot->update();
    updateControls();
}
