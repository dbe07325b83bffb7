// SPDX-License-Identifier: MIT
#include "TransferFields.h"

#include "AddressField.h"
#include "CI2cDeviceFile.h"
#include "I2cFacts.h"
#include "MainWindowShared.h"
#include "NumberText.h"
#include "TransferText.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

constexpr int START_STOP_MODES = 4;
constexpr auto READ_COUNT_MAX = int(I2cFacts::MAX_READ_COUNT);

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

struct SBadToken
{
    QString text;
    qsizetype start = 0;
};

// The first piece of the input, split as the byte parser splits it, that is no hex byte.
std::optional<SBadToken> firstBadToken(const QString &input)
{
    static const QRegularExpression TOKEN(u"[^\\s,;]+"_s);
    for (const QRegularExpressionMatch &match : TOKEN.globalMatch(input)) {
        if (!NumberText::ParseBytes(match.captured()))
            return SBadToken{match.captured(), match.capturedStart()};
    }
    return std::nullopt;
}

QString invalidBytesText()
{
    return tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\".");
}

QString invalidCountText(const QString &count)
{
    return tr("Invalid read count \"%1\". Enter a count from 1 to %2.")
        .arg(count)
        .arg(READ_COUNT_MAX);
}

QString typeTitle(EI2cCommandType type)
{
    switch (type) {
    case EI2cCommandType::Read:
        return tr("Read");
    case EI2cCommandType::WriteRead:
        return tr("Write/Read");
    case EI2cCommandType::Write:
    case EI2cCommandType::Sequence:
        break;
    }
    return tr("Write");
}

} // namespace

TransferFields::TransferFields(const SWidgets &widgets, const AddressField &address,
                               QWidget *window)
    : m_widgets(widgets)
    , m_address(address)
    , m_window(window)
{
    m_widgets.writeBytes->setPlaceholderText(tr("Hex bytes without address, e.g. 01 A5 FF"));
    m_widgets.readCount->setRange(1, READ_COUNT_MAX);
    m_widgets.readCount->setValue(1);
    // The spin box drops a digit that would pass the largest count; say so where it happened.
    QSpinBox *spin = m_widgets.readCount;
    if (auto *edit = spin->findChild<QLineEdit *>()) {
        QObject::connect(edit, &QLineEdit::inputRejected, spin, [spin] {
            QToolTip::showText(spin->mapToGlobal(QPoint(0, spin->height())),
                               tr("The read count is 1 to %1 bytes.").arg(READ_COUNT_MAX), spin);
        });
    }
}

std::optional<STransactionRequest> TransferFields::writeRequest() const
{
    const QString title = tr("Write");
    const int mode = m_widgets.startStop->currentIndex();
    const bool start = TransferText::generatesStart(mode);
    std::optional<std::uint8_t> target;
    if (start && !(target = address(title)))
        return std::nullopt;
    const std::optional<std::vector<unsigned char>> data = bytes(title, start);
    if (!data)
        return std::nullopt;
    return STransactionRequest::Write(start ? *target : 0, *data, start,
                                      TransferText::generatesStop(mode));
}

std::optional<STransactionRequest> TransferFields::readRequest(const QString &title) const
{
    const std::optional<std::uint8_t> target = address(title);
    const std::optional<std::size_t> bytes = target ? count(title) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    return STransactionRequest::Read(*target, *bytes);
}

std::optional<STransactionRequest> TransferFields::writeReadRequest(const QString &title) const
{
    const std::optional<SAddressedBytes> input = addressedBytes(title, false);
    const std::optional<std::size_t> bytes = input ? count(title) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    return STransactionRequest::WriteRead(input->address, input->data, *bytes);
}

std::optional<STransactionRequest> TransferFields::watchRequest() const
{
    const std::optional<SAddressedBytes> input = addressedBytes(tr("Watch"), true);
    const std::optional<std::size_t> bytes = input ? count(tr("Watch")) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    return input->data.empty()
               ? STransactionRequest::Read(input->address, *bytes)
               : STransactionRequest::WriteRead(input->address, input->data, *bytes);
}

std::optional<SI2cCommand> TransferFields::writeCommand() const
{
    const QString title = tr("Save Command");
    const std::optional<std::vector<unsigned char>> data = bytes(title, true);
    if (!data)
        return std::nullopt;
    const int mode = m_widgets.startStop->currentIndex();
    if (data->empty() && !TransferText::generatesStart(mode)) {
        QMessageBox::warning(m_window, title,
                             tr("Without start at least one data byte is required."));
        return std::nullopt;
    }
    SI2cCommand command;
    command.type = EI2cCommandType::Write;
    command.mode = static_cast<EI2cWriteMode>(mode);
    command.data = *data;
    return command;
}

SI2cCommand TransferFields::readCommand() const
{
    SI2cCommand command;
    command.type = EI2cCommandType::Read;
    command.count = m_widgets.readCount->value();
    return command;
}

std::optional<SI2cCommand> TransferFields::writeReadCommand() const
{
    const std::optional<std::vector<unsigned char>> data = bytes(tr("Save Command"), false);
    if (!data)
        return std::nullopt;
    SI2cCommand command;
    command.type = EI2cCommandType::WriteRead;
    command.data = *data;
    command.count = m_widgets.readCount->value();
    return command;
}

void TransferFields::load(const SI2cCommand &command)
{
    switch (command.type) {
    case EI2cCommandType::Sequence:
        return;
    case EI2cCommandType::Read:
        m_widgets.readCount->setValue(command.count);
        return;
    case EI2cCommandType::WriteRead:
        m_widgets.writeBytes->setText(CI2cDeviceFile::BytesToHex(command.data));
        m_widgets.readCount->setValue(command.count);
        return;
    case EI2cCommandType::Write: {
        m_widgets.writeBytes->setText(CI2cDeviceFile::BytesToHex(command.data));
        const int mode = static_cast<int>(command.mode);
        m_widgets.startStop->setCurrentIndex(mode >= 0 && mode < START_STOP_MODES ? mode : 0);
        return;
    }
    }
}

void TransferFields::warnRefusal(const SI2cCommand &command, ECommandRefusal refusal) const
{
    QString text;
    switch (refusal) {
    case ECommandRefusal::SendsNothing:
    case ECommandRefusal::NoBytes:
        text = invalidBytesText();
        break;
    case ECommandRefusal::BadCount:
        text = invalidCountText(QString::number(command.count));
        break;
    case ECommandRefusal::None:
    case ECommandRefusal::Sequence:
    case ECommandRefusal::BadMode:
        text = CommandRequest::RefusalText(refusal, tr("Command \"%1\"").arg(command.label));
        break;
    }
    QMessageBox::warning(m_window, typeTitle(command.type), text);
}

void TransferFields::warnInvalidAddress(const QString &title) const
{
    QMessageBox::warning(m_window, title,
                         tr("Invalid I2C address. Enter a hex address in the selected format, "
                            "e.g. \"%1\".")
                             .arg(m_address.format(PLACEHOLDER_ADDRESS)));
}

void TransferFields::warnInvalidBytes(const QString &title) const
{
    QLineEdit *edit = m_widgets.writeBytes;
    const std::optional<SBadToken> bad = firstBadToken(edit->text());
    if (!bad) {
        QMessageBox::warning(m_window, title, invalidBytesText());
        return;
    }
    QMessageBox::warning(m_window, title,
                         tr("Invalid input: \"%1\" at position %2 is no hex byte. Enter hex "
                            "bytes, e.g. \"01 A5 FF\".")
                             .arg(bad->text)
                             .arg(bad->start + 1));
    // The bad piece selected, ready to be typed over.
    edit->setFocus();
    edit->setSelection(int(bad->start), int(bad->text.size()));
}

std::optional<std::uint8_t> TransferFields::address(const QString &title) const
{
    const std::optional<unsigned char> current = m_address.current();
    if (!current)
        warnInvalidAddress(title);
    return current;
}

std::optional<TransferFields::SAddressedBytes>
TransferFields::addressedBytes(const QString &title, bool emptyAllowed) const
{
    const std::optional<std::uint8_t> target = address(title);
    if (!target)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> data = bytes(title, emptyAllowed);
    if (!data)
        return std::nullopt;
    return SAddressedBytes{*target, std::move(*data)};
}

std::optional<std::vector<unsigned char>> TransferFields::bytes(const QString &title,
                                                                bool emptyAllowed) const
{
    std::optional<std::vector<unsigned char>> data =
        NumberText::ParseBytes(m_widgets.writeBytes->text());
    if (!data || (!emptyAllowed && data->empty())) {
        warnInvalidBytes(title);
        return std::nullopt;
    }
    return data;
}

std::optional<std::size_t> TransferFields::count(const QString &title) const
{
    // A text the spin box cannot take ("0", nothing) leaves its last value, which is not shown.
    if (!m_widgets.readCount->hasAcceptableInput()) {
        QMessageBox::warning(m_window, title, invalidCountText(m_widgets.readCount->text()));
        return std::nullopt;
    }
    return static_cast<std::size_t>(m_widgets.readCount->value());
}
