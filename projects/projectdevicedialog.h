// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;

// The modal dialog for a project device's name, slave address and description. It checks its
// input before it closes with OK and neither reads nor writes files.
class ProjectDeviceDialog : public QDialog
{
    Q_OBJECT

public:
    // `isNameTaken` answers whether a trimmed name is used by another device; when empty,
    // names are not checked for uniqueness.
    ProjectDeviceDialog(const QString &title,
                        std::function<std::optional<unsigned char>(const QString &)> parseAddress,
                        std::function<bool(const QString &)> isNameTaken, QWidget *parent);

    // The address comes as display text, already in the caller's notation.
    void setValues(const QString &name, const QString &address, const QString &description);

    unsigned char address() const { return m_address; }
    QString name() const;
    QString description() const;

public Q_SLOTS:
    // Cancel, Escape and the close button: edits are not dropped without asking.
    void reject() override;

private Q_SLOTS:
    void onAccept();

private:
    QString editorState() const;

    std::function<std::optional<unsigned char>(const QString &)> m_parseAddress;
    std::function<bool(const QString &)> m_isNameTaken;
    QLineEdit *m_nameEdit = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QPlainTextEdit *m_descriptionEdit = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    unsigned char m_address = 0;
    QString m_initialState;
};
