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
class EepromHexView;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The EEPROM dock's contents: a part and its base address, Read, Program, Verify and Erase
// as jobs on the bus session, Load and Save of image files, and the hex view of the bytes.
// Each operation adds one summary row to the output table. Program writes the pages changed
// since the last read (or every page) and verifies them. Program and Erase name their target
// and ask first; changes never programmed are not dropped (by a read, a load or another
// part) without asking.
class EepromPanel : public QWidget
{
    Q_OBJECT

public:
    // `mainAddress` gives the main window's address, proposed as the device address when it
    // is one of the part's; `eightBit` tells the window's address notation.
    EepromPanel(CBusSession &session, COutputTable &table,
                std::function<std::optional<std::uint8_t>()> mainAddress,
                std::function<bool()> eightBit, QWidget *parent = nullptr);

    EepromHexModel &model() { return m_model; }
    // True when nothing unprogrammed is in the view or the user lets `action` discard it.
    bool mayDiscardEdits(const QString &action);

    // Load... and Save... after their file dialogs: the file's name and the type chosen.
    void loadFile(const QString &path);
    void saveFile(const QString &typed, const QString &filter);

public Q_SLOTS:
    void onPartChanged();
    void onRead();
    void onProgram();
    void onVerify();
    void onErase();
    void onLoad();
    void onSave();
    // Rewrites the address list in the window's notation, keeping the chosen address.
    void onNotationChanged();

private:
    enum class EEditsChoice
    {
        Keep,
        Discard,
        Cancel,
    };

    SEepromPart part() const;
    std::optional<std::uint8_t> address();
    QString addressText(std::uint8_t address) const;
    void fillAddresses(std::optional<std::uint8_t> keep, bool proposeMain);
    // Asks what becomes of changes never programmed before `action` replaces them; Keep is
    // offered only where the changes can stay.
    EEditsChoice askAboutEdits(const QString &action, bool canKeep);
    bool confirmWrite(const QString &operation, std::uint8_t base, const QString &detail);
    void showMessage(const QString &text);
    // Runs the operation as a job in front of the user; false (with the outcome) on failure.
    SBusProcedureResult run(const QString &what,
                            const std::function<SBusProcedureResult(CBusContext &)> &operation);
    void addRow(std::uint8_t address, const QString &text, bool error);
    QString failureText(const QString &operation, const SBusProcedureResult &result,
                        const SEepromOutcome &outcome) const;
    // Marks in the view every byte that a verify found differing.
    void markDiffering(const SEepromOutcome &verified);

    CBusSession &m_session;
    COutputTable &m_table;
    std::function<std::optional<std::uint8_t>()> m_mainAddress;
    std::function<bool()> m_eightBit;
    // The notation the address texts are written in.
    bool m_addressesEightBit = false;
    EepromHexModel m_model;
    QComboBox *m_part = nullptr;
    // The part the buffer belongs to, for putting the list back when a change is cancelled.
    int m_partIndex = -1;
    QComboBox *m_address = nullptr;
    QCheckBox *m_allPages = nullptr;
    QLabel *m_message = nullptr;
    EepromHexView *m_view = nullptr;
};
