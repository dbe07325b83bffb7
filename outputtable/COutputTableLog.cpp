// SPDX-License-Identifier: MIT
// Save Log: every row of the table to a CSV or text file, as the chosen filter or the
// suffix typed asks.
#include "CLogFile.h"
#include "COutputTable.h"
#include "LogFileName.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_LOG_FOLDER = u"table/logFolder"_s;

// The folder of the last log saved, or the documents folder before the first.
QString logFolder()
{
    const QString last = QSettings().value(SETTINGS_LOG_FOLDER).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

void COutputTable::onSaveLog()
{
    QWidget *window = m_ui.table->window();
    const QString csv = tr("CSV files (*.csv)");
    const QString text = tr("Text files (*.txt)");
    QString filter = csv;
    const QString suggested =
        QDir(logFolder()).filePath(LogFileName::Suggested(QDateTime::currentDateTime()));
    const QString typed = QFileDialog::getSaveFileName(window, tr("Save Log"), suggested,
                                                       csv + u";;"_s + text, &filter);
    if (typed.isEmpty())
        return;
    const LogFileName::SChoice choice = LogFileName::Resolve(
        typed, filter == text ? TableLog::EFormat::Text : TableLog::EFormat::Csv);
    // The dialog asked about replacing the name as typed, not the one with the suffix added.
    if (choice.path != typed && QFileInfo::exists(choice.path) &&
        QMessageBox::question(window, tr("Save Log"),
                              tr("%1 already exists.\nDo you want to replace it?")
                                  .arg(QDir::toNativeSeparators(choice.path))) != QMessageBox::Yes)
        return;
    CLogFile file;
    if (!file.Save(choice.path, Rows(), choice.format)) {
        QMessageBox::critical(window, tr("Save Log"),
                              tr("Could not save the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(choice.path), file.GetLastError()));
        return;
    }
    QSettings().setValue(SETTINGS_LOG_FOLDER, QFileInfo(choice.path).absolutePath());
    Q_EMIT statusMessage(tr("Log saved to %1").arg(QDir::toNativeSeparators(choice.path)));
}
