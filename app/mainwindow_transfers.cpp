// SPDX-License-Identifier: MIT
// Addresses in 7-bit or 8-bit notation, and the write, read and search the user starts.
#include "AddressField.h"
#include "CBusSession.h"
#include "CProjectsPanel.h"
#include "CScanPart.h"
#include "CWatchPart.h"
#include "I2cFacts.h"
#include "STransactionRequest.h"
#include "TransferFields.h"
#include "TransferText.h"
#include "UserTransaction.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

using namespace Qt::StringLiterals;

namespace {

// The search leaves out the reserved addresses.
constexpr std::uint8_t SEARCH_FIRST = I2cFacts::FIRST_REGULAR_ADDRESS;
constexpr std::uint8_t SEARCH_LAST = I2cFacts::LAST_REGULAR_ADDRESS;

STableRowTime rowTime(const STransactionRecord &record)
{
    return {record.startedMs, record.durationUs};
}

} // namespace

bool MainWindow::isTransactionRunning() const
{
    return m_user->isRunning();
}

void MainWindow::setTransactionRunning(bool running)
{
    // Nothing that would start another transaction, change the connection or edit the
    // projects folder while the user's transaction runs.
    for (QWidget *widget :
         std::initializer_list<QWidget *>{ui->dockWidgetContents, ui->tbtn_write_save,
                                          ui->tbtn_read_save, ui->btn_write_read_save})
        widget->setEnabled(!running);
    ui->actionProjects_Folder->setEnabled(!running);
    updateUiState();
}

void MainWindow::runFieldTransfer(const std::optional<STransactionRequest> &request,
                                  bool busyCursor)
{
    if (!request)
        return;
    const std::optional<STransactionRecord> record = m_user->run(
        *request, TransferText::progressText(*request, targetText(*request)), busyCursor);
    if (record)
        addRecordRow(*record);
}

void MainWindow::addRecordRow(const STransactionRecord &record,
                              const std::optional<STableRowClient> &client)
{
    const STransactionRequest &request = record.request;
    const bool addressed = TransferText::isAddressed(request);
    const TransferText::SRecordRow row = TransferText::recordRow(
        record, targetText(request), ui->cmb_startstop->itemText(TransferText::modeOf(request)));
    addTableRow(row.type, row.flags, row.data, !record.ok, rowTime(record),
                rowOrigin(addressed ? std::optional(request.address) : std::nullopt), request,
                client);
}

void MainWindow::addClientRow(const STransactionRecord &record)
{
    const STableRowClient client{QString::fromStdString(record.originProgram), record.originPid};
    if (record.request.kind != ETransactionKind::Search) {
        addRecordRow(record, client);
        return;
    }
    const bool failed = record.cancelled || !record.ok;
    addTableRow(tr("Search"), failed ? QString::fromStdString(record.lastError) : QString(),
                TransferText::foundList(
                    record.found, [this](std::uint8_t address) { return formatAddress(address); }),
                failed, rowTime(record), rowOrigin(std::nullopt), client);
}

QString MainWindow::targetText(const STransactionRequest &request) const
{
    return TransferText::isAddressed(request) ? formatAddress(request.address) : QString();
}

std::optional<STableRowOrigin> MainWindow::rowOrigin(std::optional<unsigned char> address) const
{
    if (!m_session->IsConnected())
        return std::nullopt;
    return STableRowOrigin::Of(m_session->Info(), address);
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

void MainWindow::onAddressFormatTriggered()
{
    if (m_address->applyNotation() && m_projects != nullptr) {
        m_projects->RefreshAddresses();
        m_scan->refresh();
        m_watch->refreshAddresses();
    }
}

void MainWindow::onWrite()
{
    if (!isTransactionRunning() && isConnected())
        runFieldTransfer(m_fields->writeRequest(), false);
}

void MainWindow::onRead()
{
    if (!isTransactionRunning() && isConnected())
        runFieldTransfer(m_fields->readRequest(tr("Read")), true);
}

void MainWindow::onWriteRead()
{
    if (!isTransactionRunning() && isConnected())
        runFieldTransfer(m_fields->writeReadRequest(tr("Write/Read")), true);
}

void MainWindow::onI2cSearch()
{
    if (isTransactionRunning() || !isConnected())
        return;
    const QString remembered = m_address->text();
    const std::optional<STransactionRecord> record = m_user->run(
        STransactionRequest::Search(SEARCH_FIRST, SEARCH_LAST), tr("Searching the bus..."), true);
    // A silent address is just a failed probe; only a missing adapter ends the search.
    if (!record)
        return;

    const QString list = TransferText::foundList(
        record->found, [this](std::uint8_t address) { return formatAddress(address); });
    // A cancelled search, or one the adapter stopped answering, leaves the address list
    // alone and says so in its row.
    const bool failed = record->cancelled || !record->ok;
    if (!failed) {
        m_address->setFound(record->found, remembered);
        m_scan->setFound(SEARCH_FIRST, SEARCH_LAST, record->found);
    }
    addTableRow(tr("Search"), failed ? QString::fromStdString(record->lastError) : QString(), list,
                failed, rowTime(*record), rowOrigin(std::nullopt));
}
