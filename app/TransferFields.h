// SPDX-License-Identifier: MIT
#pragma once

#include "CommandRequest.h"
#include "SI2cCommand.h"
#include "STransactionRequest.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class AddressField;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// The window's input fields (address, write bytes, start/stop, read count) read as a
// transaction or a stored command, and filled from a stored command; they get their
// placeholder and range here. A field that does not parse is reported under the caller's
// title and yields nothing.
class TransferFields
{
public:
    struct SWidgets
    {
        QLineEdit *writeBytes;
        QComboBox *startStop;
        QSpinBox *readCount;
    };

    TransferFields(const SWidgets &widgets, const AddressField &address, QWidget *window);

    std::optional<STransactionRequest> writeRequest() const;
    std::optional<STransactionRequest> readRequest(const QString &title) const;
    std::optional<STransactionRequest> writeReadRequest(const QString &title) const;
    // Bytes in the write field make it a register read; without them a plain read.
    std::optional<STransactionRequest> watchRequest() const;

    std::optional<SI2cCommand> writeCommand() const;
    SI2cCommand readCommand() const;
    std::optional<SI2cCommand> writeReadCommand() const;

    // The command's bytes, count and start/stop choice in the fields; a sequence has none.
    void load(const SI2cCommand &command);
    // A stored command that gives no request, reported in the words the button of its type
    // uses for the same input.
    void warnRefusal(const SI2cCommand &command, ECommandRefusal refusal) const;

private:
    struct SAddressedBytes
    {
        std::uint8_t address;
        std::vector<unsigned char> data;
    };

    void warnInvalidAddress(const QString &title) const;
    void warnInvalidBytes(const QString &title) const;
    std::optional<std::uint8_t> address(const QString &title) const;
    // The write field's bytes, at least one unless `emptyAllowed`.
    std::optional<std::vector<unsigned char>> bytes(const QString &title, bool emptyAllowed) const;
    // The address, then the bytes, each reported when it does not parse.
    std::optional<SAddressedBytes> addressedBytes(const QString &title, bool emptyAllowed) const;
    // The read count as the field shows it, reported when the text is no count.
    std::optional<std::size_t> count(const QString &title) const;

    SWidgets m_widgets;
    const AddressField &m_address;
    QWidget *m_window;
};
