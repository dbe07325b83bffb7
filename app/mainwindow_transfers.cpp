// Addresses in 7-bit or 8-bit notation, and the write, read and search the user starts.
#include "AddressFormat.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CVtlI2c.h"
#include "MainWindowShared.h"
#include "TransferText.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QGuiApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

// The search leaves out the reserved addresses 0x00..0x07 and 0x78..0x7F.
constexpr unsigned SEARCH_FIRST = 0x08;
constexpr unsigned SEARCH_LAST = 0x77;

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

QString MainWindow::formatAddress(unsigned char address) const
{
    return AddressFormat::format(address, isAddress8Bit());
}

bool MainWindow::isAddress8Bit() const
{
    return ui->actionAddress8Bit->isChecked();
}

std::optional<unsigned char> MainWindow::parseAddress(const QString &text, bool eightBit) const
{
    return AddressFormat::parse(text, eightBit);
}

std::optional<unsigned char> MainWindow::currentAddress() const
{
    return parseAddress(ui->cmb_i2c_device->currentText(), isAddress8Bit());
}

void MainWindow::warnInvalidAddress(const QString &title)
{
    QMessageBox::warning(this, title,
                         tr("Invalid I2C address. Enter a hex address in the selected format, "
                            "e.g. \"%1\".")
                             .arg(formatAddress(PLACEHOLDER_ADDRESS)));
}

void MainWindow::onAddressFormatTriggered()
{
    const bool wasEightBit = m_address8Bit;
    m_address8Bit = isAddress8Bit();
    if (wasEightBit == m_address8Bit)
        return;

    QComboBox *box = ui->cmb_i2c_device;
    const QString typed = box->currentText();
    const std::optional<unsigned char> current = parseAddress(typed, wasEightBit);
    for (int i = 0; i < box->count(); ++i) {
        if (const auto address = parseAddress(box->itemText(i), wasEightBit))
            box->setItemText(i, formatAddress(*address));
    }
    // Renaming the current entry rewrites the edit text, which must show the typed
    // address in the new notation, or stay as typed when it was no address.
    box->setEditText(current ? formatAddress(*current) : typed);
    box->lineEdit()->setPlaceholderText(formatAddress(PLACEHOLDER_ADDRESS));
    if (m_projects != nullptr)
        m_projects->RefreshAddresses();
}

void MainWindow::onWrite()
{
    if (!isConnected())
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
        QMessageBox::warning(this, tr("Write"),
                             tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."));
        return;
    }

    std::vector<unsigned char> buffer;
    buffer.reserve(bytes->size() + 1);
    if (start)
        buffer.push_back(static_cast<unsigned char>(*address << 1));
    buffer.insert(buffer.end(), bytes->begin(), bytes->end());
    SI2cWriteResult result;
    const bool ok = m_i2c->Write(buffer, result, start, TransferText::generatesStop(mode));
    if (!ok && checkConnectionLost())
        return;

    const QString type = TransferText::writeType(mode, ui->cmb_startstop->currentText(),
                                                 start ? formatAddress(*address) : QString());
    addTableRow(type, TransferText::writeFlags(result, ok, lastDriverError()), *bytes, !ok);
}

void MainWindow::onRead()
{
    if (!isConnected())
        return;
    const std::optional<unsigned char> address = currentAddress();
    if (!address) {
        warnInvalidAddress(tr("Read"));
        return;
    }
    SI2cReadResult result;
    bool ok = false;
    {
        const WaitCursor wait;
        ok = m_i2c->Read(*address, static_cast<unsigned long long>(ui->spin_read->value()), result);
    }
    if (!ok && checkConnectionLost())
        return;
    addTableRow(tr("Read %1").arg(formatAddress(*address)),
                TransferText::readFlags(result, ok, lastDriverError()), result.data, !ok);
}

void MainWindow::onI2cSearch()
{
    if (!isConnected())
        return;
    const QString remembered = ui->cmb_i2c_device->currentText();
    QStringList found;
    {
        const WaitCursor wait;
        for (unsigned address = SEARCH_FIRST; address <= SEARCH_LAST; ++address) {
            if (m_i2c->Probe(static_cast<unsigned char>(address)))
                found << formatAddress(static_cast<unsigned char>(address));
        }
    }
    // A silent address is just a failed probe; only a missing adapter ends the search.
    if (checkConnectionLost())
        return;

    QComboBox *box = ui->cmb_i2c_device;
    box->clear();
    box->addItems(found);
    const int again = found.indexOf(remembered);
    if (again >= 0)
        box->setCurrentIndex(again);
    addTableRow(tr("Search"), QString(),
                found.isEmpty() ? tr("No device found") : found.join(", "_L1), false);
}
