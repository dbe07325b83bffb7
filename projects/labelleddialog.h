// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QDialogButtonBox;
class QLineEdit;

// What the dialogs for a device's stored commands share: the label field first, the OK and
// Cancel buttons, and the check that a label is given and not used by another command of
// the same device.
class LabelledDialog : public QDialog
{
    Q_OBJECT

protected:
    // `isLabelTaken` answers whether a trimmed label is used by another command of the device
    // named `deviceName`.
    LabelledDialog(const QString &title, const QString &deviceName,
                   std::function<bool(const QString &)> isLabelTaken, QWidget *parent);

    // OK and Cancel, made where the dialog wants them in the focus order; Cancel rejects.
    QDialogButtonBox *createButtons();
    // The trimmed label, or none once the user was told why it cannot be used.
    std::optional<QString> checkedLabel();
    // Tells the user why the input cannot be used and puts the focus on `field`.
    void refuse(const QString &text, QWidget *field);
    // Everything the user can change, as one text: closing without OK asks once it differs
    // from the text remembered last.
    virtual QString editorState() const = 0;
    void rememberState() { m_initialState = editorState(); }

    QLineEdit *m_labelEdit = nullptr;

public Q_SLOTS:
    // Cancel, Escape and the close button: edits are not dropped without asking.
    void reject() override;

private:
    QString m_deviceName;
    QString m_initialState;
    std::function<bool(const QString &)> m_isLabelTaken;
};
