// SPDX-License-Identifier: MIT
// Addresses in 7-bit or 8-bit notation, and the write, read and search the user starts.
#include "AddressField.h"
#include "BusJobWaiter.h"
#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CScanPart.h"
#include "MainWindowShared.h"
#include "STransactionRequest.h"
#include "TransferText.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QGuiApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

// The search leaves out the reserved addresses 0x00..0x07 and 0x78..0x7F.
constexpr std::uint8_t SEARCH_FIRST = 0x08;
constexpr std::uint8_t SEARCH_LAST = 0x77;

STableRowTime rowTime(const STransactionRecord &record)
{
    return {record.startedMs, record.durationUs};
}

// The wait cursor for as long as a blocking bus operation runs.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

bool MainWindow::isTransactionRunning() const
{
    return m_userJob != nullptr;
}

void MainWindow::setTransactionRunning(bool running)
{
    // Nothing that would start another transaction, change the connection or edit the
    // projects folder while the user's transaction runs.
    ui->dockWidgetContents->setEnabled(!running);
    ui->actionProjects_Folder->setEnabled(!running);
    ui->tbtn_write_save->setEnabled(!running);
    ui->tbtn_read_save->setEnabled(!running);
    ui->btn_write_read_save->setEnabled(!running);
    updateUiState();
}

std::optional<STransactionRecord> MainWindow::runTransaction(const STransactionRequest &request,
                                                             const QString &what, bool busyCursor)
{
    if (!isConnected() || isTransactionRunning())
        return std::nullopt;
    std::optional<WaitCursor> cursor;
    if (busyCursor)
        cursor.emplace();
    m_userJob = m_session->Start(request, EBusPriority::User);
    const std::shared_ptr<CBusJob> job = m_userJob;
    setTransactionRunning(true);
    BusJobWaiter::waitFor(*m_session, job, what, this);
    m_userJob.reset();
    setTransactionRunning(false);
    if (job->IsAdapterLost())
        return std::nullopt;
    return job->Record();
}

QString MainWindow::formatAddress(unsigned char address) const
{
    return m_address->format(address);
}

bool MainWindow::isAddress8Bit() const
{
    return m_address->isEightBit();
}

std::optional<unsigned char> MainWindow::parseAddress(const QString &text, bool eightBit) const
{
    return AddressField::parse(text, eightBit);
}

std::optional<unsigned char> MainWindow::currentAddress() const
{
    return m_address->current();
}

void MainWindow::warnInvalidAddress(const QString &title)
{
    QMessageBox::warning(this, title,
                         tr("Invalid I2C address. Enter a hex address in the selected format, "
                            "e.g. \"%1\".")
                             .arg(formatAddress(PLACEHOLDER_ADDRESS)));
}

void MainWindow::warnInvalidBytes(const QString &title)
{
    QMessageBox::warning(this, title, tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."));
}

void MainWindow::onAddressFormatTriggered()
{
    if (m_address->applyNotation() && m_projects != nullptr) {
        m_projects->RefreshAddresses();
        m_scan->refresh();
    }
}

void MainWindow::onWrite()
{
    if (isTransactionRunning() || !isConnected())
        return;
    const int mode = ui->cmb_startstop->currentIndex();
    const bool start = TransferText::generatesStart(mode);
    std::optional<unsigned char> address;
    if (start) {
        address = currentAddress();
        if (!address) {
            warnInvalidAddress(tr("Write"));
            return;
        }
    }
    const std::optional<std::vector<unsigned char>> bytes =
        CI2cDeviceFile::HexToBytes(ui->edit_write->text());
    if (!bytes || (!start && bytes->empty())) {
        warnInvalidBytes(tr("Write"));
        return;
    }

    const STransactionRequest request = STransactionRequest::Write(
        start ? *address : 0, *bytes, start, TransferText::generatesStop(mode));
    const QString target = start ? formatAddress(*address) : QString();
    const QString what = start ? tr("Writing %1 bytes to %2...").arg(bytes->size()).arg(target)
                               : tr("Writing %1 bytes...").arg(bytes->size());
    const std::optional<STransactionRecord> record = runTransaction(request, what);
    if (!record)
        return;

    const QString type = TransferText::writeType(mode, ui->cmb_startstop->currentText(), target);
    addTableRow(type,
                TransferText::writeFlags(record->write, record->ok,
                                         QString::fromStdString(record->lastError)),
                *bytes, !record->ok, rowTime(*record), rowOrigin(address), request);
}

void MainWindow::onRead()
{
    if (isTransactionRunning() || !isConnected())
        return;
    const std::optional<unsigned char> address = currentAddress();
    if (!address) {
        warnInvalidAddress(tr("Read"));
        return;
    }
    const auto count = static_cast<std::size_t>(ui->spin_read->value());
    const STransactionRequest request = STransactionRequest::Read(*address, count);
    const std::optional<STransactionRecord> record = runTransaction(
        request, tr("Reading %1 bytes from %2...").arg(count).arg(formatAddress(*address)), true);
    if (!record)
        return;
    addTableRow(tr("Read %1").arg(formatAddress(*address)),
                TransferText::readFlags(record->read, record->ok,
                                        QString::fromStdString(record->lastError)),
                record->read.data, !record->ok, rowTime(*record), rowOrigin(*address), request);
}

void MainWindow::onWriteRead()
{
    if (isTransactionRunning() || !isConnected())
        return;
    const std::optional<unsigned char> address = currentAddress();
    if (!address) {
        warnInvalidAddress(tr("Write/Read"));
        return;
    }
    const std::optional<std::vector<unsigned char>> bytes =
        CI2cDeviceFile::HexToBytes(ui->edit_write->text());
    if (!bytes || bytes->empty()) {
        warnInvalidBytes(tr("Write/Read"));
        return;
    }
    const auto count = static_cast<std::size_t>(ui->spin_read->value());
    const QString target = formatAddress(*address);
    const STransactionRequest request = STransactionRequest::WriteRead(*address, *bytes, count);
    const std::optional<STransactionRecord> record =
        runTransaction(request,
                       tr("Writing %1 bytes to %2, then reading %3 bytes...")
                           .arg(bytes->size())
                           .arg(target)
                           .arg(count),
                       true);
    if (!record)
        return;
    const QString error = QString::fromStdString(record->lastError);
    // A failed write part sent no read: its own status tells what went wrong.
    const QString flags = record->readPartReached
                              ? TransferText::readFlags(record->read, record->ok, error)
                              : TransferText::writeFlags(record->write, false, error);
    addTableRow(tr("Write/Read %1 [%2]").arg(target, CI2cDeviceFile::BytesToHex(*bytes)), flags,
                record->read.data, !record->ok, rowTime(*record), rowOrigin(*address), request);
}

void MainWindow::onI2cSearch()
{
    if (isTransactionRunning() || !isConnected())
        return;
    const QString remembered = m_address->text();
    const std::optional<STransactionRecord> record = runTransaction(
        STransactionRequest::Search(SEARCH_FIRST, SEARCH_LAST), tr("Searching the bus..."), true);
    // A silent address is just a failed probe; only a missing adapter ends the search.
    if (!record)
        return;

    QStringList found;
    for (const std::uint8_t address : record->found)
        found << formatAddress(address);
    const QString list = found.isEmpty() ? tr("No device found") : found.join(", "_L1);
    // A cancelled search, or one the adapter stopped answering, leaves the address list
    // alone and says so in its row.
    if (record->cancelled || !record->ok) {
        addTableRow(tr("Search"), QString::fromStdString(record->lastError), list, true,
                    rowTime(*record), rowOrigin(std::nullopt));
        return;
    }
    m_address->setFound(record->found, remembered);
    m_scan->setFound(SEARCH_FIRST, SEARCH_LAST, record->found);
    addTableRow(tr("Search"), QString(), list, false, rowTime(*record), rowOrigin(std::nullopt));
}
