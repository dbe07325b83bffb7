// SPDX-License-Identifier: MIT
// Save Log: every row of the output table to a CSV or text file.
#include "CLogFile.h"
#include "MainWindowShared.h"
#include "mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

void MainWindow::onSaveLog()
{
    const QString csv = tr("CSV files (*.csv)");
    const QString text = tr("Text files (*.txt)");
    QString filter = csv;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Log"), QString(),
                                                      csv + u";;"_s + text, &filter);
    if (path.isEmpty())
        return;
    CLogFile file;
    if (!file.Save(path, allTableRows())) {
        QMessageBox::critical(this, tr("Save Log"),
                              tr("Could not save the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(path), file.GetLastError()));
        return;
    }
    statusBar()->showMessage(tr("Log saved to %1").arg(QDir::toNativeSeparators(path)),
                             STATUS_MESSAGE_MS);
}
