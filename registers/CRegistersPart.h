// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "STransactionRecord.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class CBusSession;
class RegistersPanel;
struct SRegisterJobResult;

// The Registers dock's work on the bus: the device file of the projects panel's current
// device, and the panel's reads and writes as jobs on the bus session, each of whose
// transactions becomes an output-table row.
class CRegistersPart : public QObject
{
    Q_OBJECT

public:
    using RecordSink = std::function<void(const STransactionRecord &)>;
    using AddressFormatter = std::function<QString(std::uint8_t)>;

    CRegistersPart(CBusSession &session, RegistersPanel &panel, RecordSink addRow,
                   AddressFormatter formatAddress, QObject *parent = nullptr);

    // The device whose map the panel shows; an empty path or a file without a map shows a
    // hint instead.
    void setDeviceFile(const QString &path);
    // The same for a device file at another address than its own (a library part found on
    // the bus).
    void showDevice(const QString &path, std::optional<std::uint8_t> address);

private:
    void onReadAll();
    void onRead(int reg);
    void onWrite(int reg, std::uint32_t value);
    void onFieldWrite(int reg, int field, std::uint32_t value);
    void onSave();
    // Asks before a write from the dock, naming the register, the address and the adapter;
    // false when no adapter is connected or the user declined.
    bool confirmWrite(int reg, const QString &detail);
    // Runs `work` as one job, the user waiting with progress and Cancel; false when no
    // adapter is connected.
    bool run(const QString &what, const std::function<SRegisterJobResult(CBusContext &)> &work,
             SRegisterJobResult &result);

    CBusSession &m_session;
    RegistersPanel &m_panel;
    RecordSink m_addRow;
    AddressFormatter m_formatAddress;
    QString m_path;
    QString m_deviceName;
    std::uint8_t m_address = 0;
    std::optional<std::uint8_t> m_addressOverride;
    // The serial of the adapter the values shown were read through.
    QString m_valuesAdapter;
};
