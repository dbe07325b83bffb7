// SPDX-License-Identifier: MIT
// The window's side of the output table: the part is made here, and the window's own
// table functions, which callers and tests use, hand over to it.
#include "CBusSession.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::setupTable()
{
    m_table = new COutputTable({ui->table_data, ui->cmb_bytes_per_line, ui->cmb_offset_format,
                                ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown,
                                ui->actionTableClear, ui->actionUndoClear, ui->actionShowTime,
                                ui->actionShowAscii, ui->actionSaveLog},
                               this);
    connect(m_table, &COutputTable::statusMessage, this, &MainWindow::showStatusMessage);
}

void MainWindow::addTableRow(const QString &type, const QString &flags, const QString &text,
                             bool error)
{
    m_table->AddRow(type, flags, text, error);
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error)
{
    m_table->AddRow(type, flags, bytes, error);
}

void MainWindow::addTableRow(const QString &type, const QString &flags, const QString &text,
                             bool error, const STableRowTime &time,
                             const std::optional<STableRowOrigin> &origin)
{
    m_table->AddRow(type, flags, text, error, time, origin);
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error,
                             const STableRowTime &time,
                             const std::optional<STableRowOrigin> &origin,
                             const std::optional<STransactionRequest> &transfer)
{
    m_table->AddRow(type, flags, bytes, error, time, origin, transfer);
}

std::optional<STableRowOrigin> MainWindow::rowOrigin(std::optional<unsigned char> address) const
{
    if (!m_session->IsConnected())
        return std::nullopt;
    return STableRowOrigin::Of(m_session->Info(), address);
}

QString MainWindow::formatHexLines(const QByteArray &bytes, int perLine, bool offsetDecimal)
{
    return COutputTable::FormatHexLines(bytes, perLine, offsetDecimal);
}

int MainWindow::bytesPerLine() const
{
    return m_table->BytesPerLine();
}

bool MainWindow::isOffsetDecimal() const
{
    return m_table->IsOffsetDecimal();
}

void MainWindow::copyTableRows(ETableCopy mode)
{
    m_table->Copy(mode);
}

void MainWindow::onBytesPerLineChanged()
{
    m_table->onBytesPerLineChanged();
}

void MainWindow::onTableContextMenu(const QPoint &pos)
{
    m_table->onContextMenu(pos);
}
