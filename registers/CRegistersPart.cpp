// SPDX-License-Identifier: MIT
#include "CRegistersPart.h"

#include "AtomicFile.h"
#include "BusJobWaiter.h"
#include "CBusJob.h"
#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "RegisterProcedures.h"
#include "RegisterText.h"
#include "RegistersPanel.h"
#include "WriteConfirmation.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

CRegistersPart::CRegistersPart(CBusSession &session, RegistersPanel &panel, RecordSink addRow,
                               AddressFormatter formatAddress, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_panel(panel)
    , m_addRow(std::move(addRow))
    , m_formatAddress(std::move(formatAddress))
{
    connect(&panel, &RegistersPanel::readAllRequested, this, &CRegistersPart::onReadAll);
    connect(&panel, &RegistersPanel::readRequested, this, &CRegistersPart::onRead);
    connect(&panel, &RegistersPanel::writeRequested, this, &CRegistersPart::onWrite);
    connect(&panel, &RegistersPanel::fieldWriteRequested, this, &CRegistersPart::onFieldWrite);
    connect(&panel, &RegistersPanel::saveRequested, this, &CRegistersPart::onSave);
    if (m_session.IsConnected())
        m_valuesAdapter = QString::fromStdWString(m_session.Info().serial);
    // Values read through another adapter belong to another chip.
    connect(&session, &CBusSession::stateChanged, this, [this] {
        const QString serial =
            m_session.IsConnected() ? QString::fromStdWString(m_session.Info().serial) : QString();
        if (serial == m_valuesAdapter || serial.isEmpty())
            return;
        m_valuesAdapter = serial;
        if (!m_panel.map().registers.isEmpty()) {
            m_panel.values().Clear();
            m_panel.refresh();
        }
    });
}

void CRegistersPart::setDeviceFile(const QString &path)
{
    showDevice(path, std::nullopt);
}

void CRegistersPart::showDevice(const QString &path, std::optional<std::uint8_t> address)
{
    // The same device again (another of its commands chosen) keeps the values shown.
    if (path == m_path && !path.isEmpty() && address == m_addressOverride)
        return;
    m_path = path;
    m_addressOverride = address;
    CI2cDeviceFile file;
    if (path.isEmpty() || !file.Load(path)) {
        m_path.clear();
        m_panel.showHint(tr("Select a device in the projects panel."));
        return;
    }
    m_address = address.value_or(file.GetAddress());
    m_deviceName = file.GetName();
    if (!file.GetRegisters() || file.GetRegisters()->registers.isEmpty()) {
        m_panel.showHint(tr("%1 has no register map. Add a \"registers\" object to its device "
                            "file to read and edit its registers here.")
                             .arg(file.GetName()));
        return;
    }
    m_panel.setMap(*file.GetRegisters());
}

bool CRegistersPart::confirmWrite(int reg, const QString &detail)
{
    if (!m_session.IsConnected()) {
        QMessageBox::warning(&m_panel, tr("Registers"), tr("Connect an adapter first."));
        return false;
    }
    const QString path = m_path;
    const std::uint8_t address = m_address;
    const bool confirmed = WriteConfirmation::confirm(
        &m_panel,
        {tr("Write"), m_deviceName + u' ' + m_panel.map().registers.at(reg).name,
         m_formatAddress(address), QString::fromStdWString(m_session.Info().serial), detail});
    // A reload of the projects folder may have put another device into the dock meanwhile.
    return confirmed && path == m_path && address == m_address;
}

bool CRegistersPart::run(const QString &what,
                         const std::function<SRegisterJobResult(CBusContext &)> &work,
                         SRegisterJobResult &result)
{
    if (!m_session.IsConnected()) {
        QMessageBox::warning(&m_panel, tr("Registers"), tr("Connect an adapter first."));
        return false;
    }
    auto shared = std::make_shared<SRegisterJobResult>();
    const std::shared_ptr<CBusJob> job = m_session.Start(
        [work, shared](CBusContext &context) {
            *shared = work(context);
            return shared->result;
        },
        EBusPriority::Normal);
    BusJobWaiter::waitFor(m_session, job, what, &m_panel);
    for (const STransactionRecord &record : job->Records())
        m_addRow(record);
    result = *shared;
    return !job->IsAdapterLost();
}

void CRegistersPart::onReadAll()
{
    const SRegisterMap map = m_panel.map();
    const std::uint8_t address = m_address;
    SRegisterJobResult result;
    if (!run(
            tr("Reading the registers of %1...").arg(m_formatAddress(address)),
            [map, address](CBusContext &context) {
                return RegisterProcedures::Read(
                    context, address, map,
                    RegisterPlan::ReadAll(map, context.Adapter().maxReadCount));
            },
            result))
        return;
    m_panel.values().ApplyRead(result.values);
    m_panel.refresh();
}

void CRegistersPart::onRead(int reg)
{
    const SRegisterMap map = m_panel.map();
    const std::uint8_t address = m_address;
    SRegisterJobResult result;
    if (!run(
            tr("Reading %1...").arg(map.registers.at(reg).name),
            [map, address, reg](CBusContext &context) {
                return RegisterProcedures::Read(context, address, map,
                                                RegisterPlan::ReadEach(map, {reg}));
            },
            result))
        return;
    m_panel.values().ApplyRead(result.values);
    m_panel.refresh();
}

void CRegistersPart::onWrite(int reg, std::uint32_t value)
{
    const SRegisterMap map = m_panel.map();
    const QString refusal = RegisterPlan::WriteRefusal(map.registers.at(reg), nullptr);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(&m_panel, tr("Write"), refusal);
        return;
    }
    const SRegister &target = map.registers.at(reg);
    if (!confirmWrite(reg,
                      tr("%1 (register %2) is written with %3.")
                          .arg(target.name, RegisterText::Address(target.address, map.addressBytes),
                               RegisterText::Hex(value, target.size))))
        return;
    const std::uint8_t address = m_address;
    SRegisterJobResult result;
    if (!run(
            tr("Writing %1...").arg(map.registers.at(reg).name),
            [map, address, reg, value](CBusContext &context) {
                return RegisterProcedures::WriteRegister(context, address, map, reg, value);
            },
            result))
        return;
    if (result.written)
        m_panel.values().ApplyWrite(reg, *result.written);
    m_panel.refresh();
}

void CRegistersPart::onFieldWrite(int reg, int field, std::uint32_t value)
{
    const SRegisterMap map = m_panel.map();
    const SRegister &target = map.registers.at(reg);
    QString refusal = RegisterPlan::WriteRefusal(target, &target.fields.at(field));
    const std::optional<std::uint32_t> lastWritten = m_panel.values().LastWritten(reg);
    if (refusal.isEmpty() && target.access == ERegisterAccess::WriteOnly &&
        !RegisterPlan::WriteOnlyBase(target, lastWritten))
        refusal = tr("%1 is write-only and has no reset value: write the whole register first.")
                      .arg(target.name);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(&m_panel, tr("Write"), refusal);
        m_panel.refresh();
        return;
    }
    const SRegisterField &bits = target.fields.at(field);
    const QString change =
        tr("%1 %2 is set to %3").arg(bits.name, RegisterText::Bits(bits), QString::number(value));
    const QString detail =
        target.access == ERegisterAccess::WriteOnly
            ? tr("%1; the other bits of %2 are written as last written.").arg(change, target.name)
            : tr("Read-modify-write: %2 is read, %1, and %2 is written back with its other bits "
                 "as read.")
                  .arg(change, target.name);
    if (!confirmWrite(reg, detail)) {
        // The cell goes back to what the chip holds.
        m_panel.refresh();
        return;
    }
    const std::uint8_t address = m_address;
    SRegisterJobResult result;
    if (!run(
            tr("Writing %1.%2...").arg(target.name, target.fields.at(field).name),
            [map, address, reg, field, value, lastWritten](CBusContext &context) {
                return RegisterProcedures::WriteField(context, address, map, reg, field, value,
                                                      lastWritten);
            },
            result))
        return;
    if (result.written)
        m_panel.values().ApplyWrite(reg, *result.written);
    m_panel.refresh();
}

void CRegistersPart::onSave()
{
    // A library part's file lies in the program's own (read-only) data.
    const QString folder = m_addressOverride
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : QFileInfo(m_path).dir().path();
    const QString path =
        QFileDialog::getSaveFileName(&m_panel, tr("Save Registers"),
                                     QDir(folder).filePath(QFileInfo(m_path).completeBaseName() +
                                                           QStringLiteral("-registers.csv")),
                                     tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!AtomicFile::Write(path, CRegisterValues::Csv(m_panel.map(), m_panel.values()).toUtf8(),
                           error))
        QMessageBox::critical(&m_panel, tr("Save Registers"),
                              tr("The registers could not be saved.") + u'\n' + error);
}
