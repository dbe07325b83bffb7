// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QAction;
class QComboBox;

// The window's slave address field and its notation: addresses are held as 7-bit values and
// shown and typed in 7-bit or 8-bit notation, as the 8-bit action says. The field's list
// holds what the last search found.
class AddressField : public QObject
{
    Q_OBJECT

public:
    // The two notation actions become an exclusive pair, 7-bit unless one is checked.
    AddressField(QComboBox *field, QAction *sevenBitAction, QAction *eightBitAction,
                 QObject *parent);

    bool isEightBit() const;
    QString format(unsigned char address) const;
    static std::optional<unsigned char> parse(const QString &text, bool eightBit);
    // The field's text in the notation in force.
    std::optional<unsigned char> current() const;
    void show(unsigned char address);
    QString text() const;
    // The found addresses as the list; `remembered` (the text before the search) stays the
    // target: the entry of the same address when it answered, otherwise the text as it was.
    void setFound(const std::vector<std::uint8_t> &found, const QString &remembered);

    // Rewrites the list, the typed address and the placeholder in the notation now in
    // force; false when the notation did not change.
    bool applyNotation();

Q_SIGNALS:
    // The user chose a notation; applyNotation() puts it in force.
    void notationTriggered();

private:
    QComboBox *m_field;
    QAction *m_eightBitAction;
    // The notation the texts on screen are written in.
    bool m_eightBit = false;
};
