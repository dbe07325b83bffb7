// SPDX-License-Identifier: MIT
#pragma once

#include "CEepromEngine.h"
#include "EepromHexModel.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class CBusSession;
class COutputTable;
class QCheckBox;
class QComboBox;
class QPushButton;
class QTableView;

// The EEPROM dock's contents: a part and its base address, Read, Program, Verify and Erase
// as jobs on the bus session, Load and Save of image files, and the hex view of the bytes.
// Each operation adds one summary row to the output table. Program writes the pages changed
// since the last read (or every page) and verifies them.
class EepromPanel : public QWidget
{
    Q_OBJECT

public:
    // `mainAddress` gives the main window's address, the default device address.
    EepromPanel(CBusSession &session, COutputTable &table,
                std::function<std::optional<std::uint8_t>()> mainAddress,
                QWidget *parent = nullptr);

    EepromHexModel &model() { return m_model; }

public Q_SLOTS:
    void onPartChanged();
    void onRead();
    void onProgram();
    void onVerify();
    void onErase();
    void onLoad();
    void onSave();

private:
    SEepromPart part() const;
    std::optional<std::uint8_t> address();
    // Runs the operation as a job in front of the user; false (with the outcome) on failure.
    SBusProcedureResult run(const QString &what,
                            const std::function<SBusProcedureResult(CBusContext &)> &operation);
    void addRow(std::uint8_t address, const QString &text, bool error);
    QString failureText(const QString &operation, const SBusProcedureResult &result,
                        const SEepromOutcome &outcome) const;

    CBusSession &m_session;
    COutputTable &m_table;
    std::function<std::optional<std::uint8_t>()> m_mainAddress;
    EepromHexModel m_model;
    QComboBox *m_part = nullptr;
    QComboBox *m_address = nullptr;
    QCheckBox *m_allPages = nullptr;
    QTableView *m_view = nullptr;
};
