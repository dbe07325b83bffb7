// SPDX-License-Identifier: MIT
#pragma once

#include "SI2cCommand.h"
#include "labelleddialog.h"

#include <QString>

#include <functional>
#include <optional>

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLineEdit;
class QSpinBox;

// The modal dialog for one stored command: its label, its kind and the fields that kind uses
// (start/stop mode, bytes to write, bytes to read, and for a read how its bytes turn into a
// value to watch). It checks its input before it closes with
// OK, so that what it gives back is a command a device file can hold and the main window can
// send; it neither reads nor writes files.
class CommandDialog : public LabelledDialog
{
    Q_OBJECT

public:
    // `isLabelTaken` answers whether a trimmed label is used by another command of the device
    // named `deviceName`.
    CommandDialog(const QString &title, const QString &deviceName,
                  std::function<bool(const QString &)> isLabelTaken, QWidget *parent);

    void setCommand(const SI2cCommand &command);
    // The command as entered, read when the dialog was accepted; the fields its kind does not
    // use are left at their defaults.
    SI2cCommand command() const { return m_command; }

private Q_SLOTS:
    void onTypeChanged();
    void onAccept();

private:
    EI2cCommandType selectedType() const;
    QString editorState() const override;
    void createValueFields();
    void setValue(const std::optional<SValueDecoding> &value);
    // The decoding as entered: nothing for "None", false when scale or add is no number.
    bool readValue(std::optional<SValueDecoding> &value);

    QFormLayout *m_form = nullptr;
    QComboBox *m_typeCombo = nullptr;
    QComboBox *m_modeCombo = nullptr;
    QLineEdit *m_dataEdit = nullptr;
    QSpinBox *m_countSpin = nullptr;
    QComboBox *m_valueTypeCombo = nullptr;
    QSpinBox *m_valueOffsetSpin = nullptr;
    QLineEdit *m_valueScaleEdit = nullptr;
    QLineEdit *m_valueAddEdit = nullptr;
    QLineEdit *m_valueUnitEdit = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    SI2cCommand m_command;
};
