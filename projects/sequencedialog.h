// SPDX-License-Identifier: MIT
#pragma once

#include "SI2cCommand.h"
#include "labelleddialog.h"

#include <QString>

#include <cstdint>
#include <functional>

class QDialogButtonBox;
class QLabel;
class SequenceEdit;

// The modal dialog for a stored sequence: its label and its lines in an editor with line
// numbers. The lines are checked as they are typed, the first error shown with its line and
// column, and OK stays off until they form a sequence for the device's address.
class SequenceDialog : public LabelledDialog
{
    Q_OBJECT

public:
    SequenceDialog(const QString &title, const QString &deviceName, std::uint8_t deviceAddress,
                   std::function<bool(const QString &)> isLabelTaken, QWidget *parent);

    void setCommand(const SI2cCommand &command);
    // The command as entered, read when the dialog was accepted.
    SI2cCommand command() const { return m_command; }

private Q_SLOTS:
    void onTextChanged();
    void onAccept();

private:
    QStringList lines() const;
    QString editorState() const override;
    // The error text, or an empty text when the lines form a sequence.
    QString check(bool expand) const;

    std::uint8_t m_deviceAddress;
    SequenceEdit *m_edit = nullptr;
    QLabel *m_status = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    SI2cCommand m_command;
};
