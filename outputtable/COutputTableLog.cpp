// SPDX-License-Identifier: MIT
// Save Log: every row of the table to a CSV or text file.
#include "CLogFile.h"
#include "COutputTable.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTableWidget>

using namespace Qt::StringLiterals;

void COutputTable::onSaveLog()
{
    QWidget *window = m_ui.table->window();
    const QString csv = tr("CSV files (*.csv)");
    const QString text = tr("Text files (*.txt)");
    QString filter = csv;
    const QString path = QFileDialog::getSaveFileName(window, tr("Save Log"), QString(),
                                                      csv + u";;"_s + text, &filter);
    if (path.isEmpty())
        return;
    CLogFile file;
    if (!file.Save(path, Rows())) {
        QMessageBox::critical(window, tr("Save Log"),
                              tr("Could not save the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(path), file.GetLastError()));
        return;
    }
    Q_EMIT statusMessage(tr("Log saved to %1").arg(QDir::toNativeSeparators(path)));
}
