// SPDX-License-Identifier: MIT
#include "EepromPanel.h"

#include "BusJobWaiter.h"
#include "CBusSession.h"
#include "COutputFile.h"
#include "COutputTable.h"
#include "EepromHexView.h"
#include "EepromParts.h"
#include "ImageFile.h"
#include "ImageFileName.h"
#include "NumberText.h"
#include "WriteConfirmation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const char *const DEFAULT_PART = "24x256";
// Enough of the memory to edit in place, little enough for a laptop's screen beside other docks.
constexpr int MIN_VISIBLE_ROWS = 6;
constexpr int BUTTON_COLUMNS = 3;
constexpr int LISTED_RANGES = 4;

QString AddressText(std::uint8_t address)
{
    return NumberText::Hex(address, 2);
}

QString OffsetText(std::size_t offset)
{
    return NumberText::Hex(offset, 4);
}

QString Seconds(const QElapsedTimer &timer)
{
    return QString::number(double(timer.elapsed()) / 1000.0, 'f', 2) + u" s"_s;
}

// "0x0020-0x002F, 0x0530-0x053F" and how many more there are.
QString RangesText(const SMemoryImage &image)
{
    QStringList ranges;
    for (const SImageSegment &segment : image.segments) {
        if (ranges.size() == LISTED_RANGES) {
            ranges << QObject::tr("and %n more", nullptr,
                                  int(image.segments.size()) - LISTED_RANGES);
            break;
        }
        ranges << OffsetText(segment.offset) + u'-' +
                      OffsetText(segment.offset + segment.bytes.size() - 1);
    }
    return ranges.join(u", "_s);
}

SMemoryImage ImageOf(const QByteArray &bytes)
{
    SMemoryImage image;
    image.segments.push_back({0, {bytes.begin(), bytes.end()}});
    return image;
}

} // namespace

EepromPanel::EepromPanel(CBusSession &session, COutputTable &table,
                         std::function<std::optional<std::uint8_t>()> mainAddress,
                         std::function<bool()> eightBit, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_table(table)
    , m_mainAddress(std::move(mainAddress))
    , m_eightBit(std::move(eightBit))
{
    m_addressesEightBit = m_eightBit && m_eightBit();
    m_part = new QComboBox;
    m_part->setObjectName(u"cmb_eeprom_part"_s);
    for (const SEepromPart &preset : EepromParts::All())
        m_part->addItem(QString::fromStdString(preset.name));
    m_part->setCurrentText(QString::fromLatin1(DEFAULT_PART));
    m_address = new QComboBox;
    m_address->setObjectName(u"cmb_eeprom_address"_s);
    m_address->setEditable(true);
    m_allPages = new QCheckBox(tr("All pages"));
    m_allPages->setObjectName(u"chk_eeprom_all_pages"_s);
    m_allPages->setToolTip(tr("Program every page, not only the changed ones"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_part);
    top->addWidget(m_address);
    top->addWidget(m_allPages);
    top->addStretch();
    // Two rows of three keep the dock narrow enough to share a laptop's screen.
    auto *buttons = new QGridLayout;
    const auto button = [&](const QString &name, const QString &text, void (EepromPanel::*slot)()) {
        auto *pushButton = new QPushButton(text);
        pushButton->setObjectName(name);
        connect(pushButton, &QPushButton::clicked, this, slot);
        const int at = buttons->count();
        buttons->addWidget(pushButton, at / BUTTON_COLUMNS, at % BUTTON_COLUMNS);
    };
    button(u"btn_eeprom_read"_s, tr("Read"), &EepromPanel::onRead);
    button(u"btn_eeprom_program"_s, tr("Program"), &EepromPanel::onProgram);
    button(u"btn_eeprom_verify"_s, tr("Verify"), &EepromPanel::onVerify);
    button(u"btn_eeprom_erase"_s, tr("Erase"), &EepromPanel::onErase);
    button(u"btn_eeprom_load"_s, tr("Load..."), &EepromPanel::onLoad);
    button(u"btn_eeprom_save"_s, tr("Save..."), &EepromPanel::onSave);

    m_message = new QLabel;
    m_message->setObjectName(u"lbl_eeprom_message"_s);
    m_message->setWordWrap(true);
    m_message->hide();

    m_view = new EepromHexView;
    m_view->setObjectName(u"view_eeprom"_s);
    m_view->setModel(&m_model);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Two hex digits never wrap; without wrapping a cell paints without laying out its text.
    m_view->setWordWrap(false);
    m_view->setMinimumHeight(m_view->heightForRows(MIN_VISIBLE_ROWS));
    m_view->setToolTip(tr("Typed bytes change this view only; Program writes the pages that hold "
                          "them, after asking."));
    connect(m_view, &EepromHexView::refused, this, &EepromPanel::showMessage);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(m_message);
    layout->addWidget(m_view, 1);

    connect(m_part, &QComboBox::currentIndexChanged, this, &EepromPanel::onPartChanged);
    m_partIndex = m_part->currentIndex();
    fillAddresses(std::nullopt, true);
    // Until it is read, the memory is unknown; blank is what a new part holds.
    m_model.setContents(QByteArray(qsizetype(part().size), char(0xFF)));
}

SEepromPart EepromPanel::part() const
{
    return *EepromParts::Find(m_part->currentText().toStdString());
}

QString EepromPanel::addressText(std::uint8_t address) const
{
    return NumberText::Address(address, m_addressesEightBit);
}

void EepromPanel::fillAddresses(std::optional<std::uint8_t> keep, bool proposeMain)
{
    const SEepromPart chosen = part();
    const std::vector<std::uint8_t> bases = EepromParts::BaseAddresses(chosen);
    const auto listed = [&](std::optional<std::uint8_t> address) {
        return address && std::find(bases.begin(), bases.end(), *address) != bases.end();
    };
    const std::optional<std::uint8_t> main =
        proposeMain && m_mainAddress ? m_mainAddress() : std::nullopt;
    std::optional<std::uint8_t> chosenAddress = listed(main) ? main : keep;
    if (!listed(chosenAddress))
        chosenAddress = bases.empty() ? std::nullopt : std::optional(bases.front());
    m_address->clear();
    for (const std::uint8_t base : bases)
        m_address->addItem(addressText(base));
    if (chosenAddress)
        m_address->setCurrentText(addressText(*chosenAddress));
    if (!proposeMain)
        return;
    if (!main || listed(main) || !chosenAddress) {
        showMessage(QString());
    } else {
        showMessage(
            tr("The window's address %1 is not an address of the %2; the EEPROM "
               "stays at %3.")
                .arg(addressText(*main), m_part->currentText(), addressText(*chosenAddress)));
    }
}

void EepromPanel::onPartChanged()
{
    const SEepromPart chosen = part();
    EEditsChoice choice = EEditsChoice::Discard;
    if (m_model.changedCount() > 0) {
        bool fits = true;
        for (std::size_t offset = chosen.size; offset < std::size_t(m_model.contents().size());
             ++offset)
            fits = fits && !m_model.isChanged(offset);
        choice = askAboutEdits(tr("Changing the part to the %1").arg(m_part->currentText()), fits);
    }
    if (choice == EEditsChoice::Cancel) {
        const QSignalBlocker blocker(m_part);
        m_part->setCurrentIndex(m_partIndex);
        return;
    }
    m_partIndex = m_part->currentIndex();
    const std::optional<std::uint8_t> own =
        NumberText::ParseAddress(m_address->currentText(), m_addressesEightBit);
    fillAddresses(own, true);
    if (choice == EEditsChoice::Keep)
        m_model.resize(chosen.size);
    else
        // Until it is read, the memory is unknown; blank is what a new part holds.
        m_model.setContents(QByteArray(qsizetype(chosen.size), char(0xFF)));
}

void EepromPanel::onNotationChanged()
{
    const std::optional<std::uint8_t> own =
        NumberText::ParseAddress(m_address->currentText(), m_addressesEightBit);
    m_addressesEightBit = m_eightBit && m_eightBit();
    const QString typed = m_address->currentText();
    fillAddresses(own, false);
    // A text that names no address stays as typed; Read will say why it cannot be taken.
    if (!own)
        m_address->setCurrentText(typed);
}

std::optional<std::uint8_t> EepromPanel::address()
{
    const std::optional<std::uint8_t> value =
        NumberText::ParseAddress(m_address->currentText(), m_addressesEightBit);
    const std::vector<std::uint8_t> bases = EepromParts::BaseAddresses(part());
    if (!value || std::find(bases.begin(), bases.end(), *value) == bases.end()) {
        QStringList texts;
        for (const std::uint8_t base : bases)
            texts << addressText(base);
        QMessageBox::warning(this, tr("EEPROM"),
                             tr("Invalid address %1. The %2 answers at %3.")
                                 .arg(m_address->currentText().trimmed(), m_part->currentText(),
                                      texts.join(u", "_s)));
        return std::nullopt;
    }
    return *value;
}

bool EepromPanel::mayDiscardEdits(const QString &action)
{
    return m_model.changedCount() == 0 || askAboutEdits(action, false) == EEditsChoice::Discard;
}

EepromPanel::EEditsChoice EepromPanel::askAboutEdits(const QString &action, bool canKeep)
{
    QMessageBox box(QMessageBox::Question, tr("EEPROM"),
                    tr("%n changed bytes in the view have not been programmed.", nullptr,
                       int(m_model.changedCount())),
                    QMessageBox::NoButton, this);
    box.setObjectName(u"eepromEdits"_s);
    box.setInformativeText(canKeep ? tr("%1: keep them or discard them?").arg(action)
                                   : tr("%1 discards them.").arg(action));
    QPushButton *keep = nullptr;
    if (canKeep) {
        keep = box.addButton(tr("Keep Changes"), QMessageBox::AcceptRole);
        keep->setObjectName(u"keepChanges"_s);
    }
    QPushButton *discard = box.addButton(tr("Discard Changes"), QMessageBox::DestructiveRole);
    discard->setObjectName(u"discardChanges"_s);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (keep != nullptr && box.clickedButton() == keep)
        return EEditsChoice::Keep;
    return box.clickedButton() == discard ? EEditsChoice::Discard : EEditsChoice::Cancel;
}

bool EepromPanel::confirmWrite(const QString &operation, std::uint8_t base, const QString &detail)
{
    // Without an adapter the job fails before the bus is touched, and the row says why.
    if (!m_session.IsConnected())
        return true;
    return WriteConfirmation::confirm(
        this, SWriteTarget{operation, m_part->currentText(), addressText(base),
                           QString::fromStdWString(m_session.Info().serial), detail});
}

void EepromPanel::showMessage(const QString &text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

SBusProcedureResult
EepromPanel::run(const QString &what,
                 const std::function<SBusProcedureResult(CBusContext &)> &operation)
{
    const std::shared_ptr<CBusJob> job = m_session.Start(BusProcedure(operation));
    BusJobWaiter::waitFor(m_session, job, what, this);
    return job->Result();
}

void EepromPanel::addRow(std::uint8_t address, const QString &text, bool error)
{
    m_table.AddRow(tr("EEPROM %1 %2").arg(AddressText(address), m_part->currentText()), QString(),
                   text, error);
}

QString EepromPanel::failureText(const QString &operation, const SBusProcedureResult &result,
                                 const SEepromOutcome &outcome) const
{
    const QString error = result.cancelled ? tr("cancelled") : QString::fromStdString(result.error);
    if (!outcome.failedAt)
        return tr("%1 failed: %2").arg(operation, error);
    return tr("%1 failed at offset %2: %3").arg(operation, OffsetText(*outcome.failedAt), error);
}

void EepromPanel::onRead()
{
    const std::optional<std::uint8_t> base = address();
    if (!base)
        return;
    if (m_model.changedCount() > 0 && askAboutEdits(tr("Reading the %1").arg(m_part->currentText()),
                                                    false) != EEditsChoice::Discard)
        return;
    const CEepromEngine engine(part(), *base);
    auto outcome = std::make_shared<SEepromOutcome>();
    QElapsedTimer timer;
    timer.start();
    const std::size_t size = engine.Part().size;
    const SBusProcedureResult result = run(tr("Reading the EEPROM..."), [=](CBusContext &bus) {
        return engine.Read(bus, 0, size, *outcome);
    });
    if (!result.ok) {
        addRow(*base, failureText(tr("read"), result, *outcome), true);
        return;
    }
    m_model.setContents(QByteArray(reinterpret_cast<const char *>(outcome->data.data()),
                                   qsizetype(outcome->data.size())));
    addRow(*base, tr("read %n bytes, %1", nullptr, int(size)).arg(Seconds(timer)), false);
}

void EepromPanel::onProgram()
{
    const std::optional<std::uint8_t> base = address();
    if (!base)
        return;
    const CEepromEngine engine(part(), *base);
    const QByteArray bytes = m_model.contents();
    SMemoryImage image;
    if (m_allPages->isChecked()) {
        image = ImageOf(bytes);
    } else {
        const std::size_t page = engine.Part().pageSize;
        for (const std::size_t offset : m_model.changedPages(page)) {
            const auto from = bytes.begin() + qsizetype(offset);
            image.segments.push_back({offset, {from, from + qsizetype(page)}});
        }
        std::size_t overlap = 0;
        image.Normalise(overlap);
    }
    if (image.segments.empty()) {
        QMessageBox::information(this, tr("EEPROM"),
                                 tr("No byte has changed since the last read."));
        return;
    }
    if (!confirmWrite(tr("Program"), *base,
                      tr("%n bytes at %1 are written, then read back and compared.", nullptr,
                         int(image.ByteCount()))
                          .arg(RangesText(image))))
        return;
    auto programmed = std::make_shared<SEepromOutcome>();
    auto verified = std::make_shared<SEepromOutcome>();
    QElapsedTimer timer;
    timer.start();
    const SBusProcedureResult result = run(tr("Programming the EEPROM..."), [=](CBusContext &bus) {
        const SBusProcedureResult written = engine.Program(bus, image, *programmed);
        return written.ok ? engine.Verify(bus, image, *verified) : written;
    });
    if (verified->Differs()) {
        markDiffering(*verified);
        addRow(*base,
               tr("programmed %1 bytes, differs at offset %2")
                   .arg(programmed->done)
                   .arg(OffsetText(*verified->FirstDifference())),
               true);
        return;
    }
    if (!result.ok) {
        addRow(*base,
               failureText(tr("program"), result, programmed->failedAt ? *programmed : *verified),
               true);
        return;
    }
    m_model.acceptChanges();
    addRow(*base,
           tr("programmed %n bytes, verified, %1", nullptr, int(image.ByteCount()))
               .arg(Seconds(timer)),
           false);
}

void EepromPanel::onVerify()
{
    const std::optional<std::uint8_t> base = address();
    if (!base)
        return;
    const CEepromEngine engine(part(), *base);
    auto outcome = std::make_shared<SEepromOutcome>();
    const std::size_t size = engine.Part().size;
    const SMemoryImage image = ImageOf(m_model.contents().left(qsizetype(size)));
    QElapsedTimer timer;
    timer.start();
    const SBusProcedureResult result = run(tr("Verifying the EEPROM..."), [=](CBusContext &bus) {
        return engine.Verify(bus, image, *outcome);
    });
    if (!result.ok && !outcome->Differs()) {
        addRow(*base, failureText(tr("verify"), result, *outcome), true);
        return;
    }
    // Every differing byte is marked, not only the first.
    markDiffering(*outcome);
    if (result.ok) {
        addRow(*base,
               tr("verified %n bytes, identical, %1", nullptr, int(size)).arg(Seconds(timer)),
               false);
        return;
    }
    addRow(*base,
           tr("%n bytes differ, the first at offset %1", nullptr, int(outcome->DifferingCount()))
               .arg(OffsetText(*outcome->FirstDifference())),
           true);
}

void EepromPanel::markDiffering(const SEepromOutcome &verified)
{
    std::set<std::size_t> offsets;
    for (const SByteRun &run : verified.differing) {
        for (std::size_t offset = run.offset; offset < run.End(); ++offset)
            offsets.insert(offsets.end(), offset);
    }
    m_model.setDiffering(offsets);
}

void EepromPanel::onErase()
{
    const std::optional<std::uint8_t> base = address();
    if (!base)
        return;
    const CEepromEngine engine(part(), *base);
    const std::size_t size = engine.Part().size;
    QString detail = tr("All %n bytes, 0x0000-%1, are set to 0xFF.", nullptr, int(size))
                         .arg(OffsetText(size - 1));
    if (const std::size_t changed = m_model.changedCount(); changed > 0) {
        detail += u' ' + tr("The %n changed bytes in the view that were never programmed are "
                            "discarded.",
                            nullptr, int(changed));
    }
    if (!confirmWrite(tr("Erase"), *base, detail))
        return;
    auto outcome = std::make_shared<SEepromOutcome>();
    QElapsedTimer timer;
    timer.start();
    const SBusProcedureResult result = run(tr("Erasing the EEPROM..."), [=](CBusContext &bus) {
        return engine.Erase(bus, 0, size, *outcome);
    });
    if (!result.ok) {
        addRow(*base, failureText(tr("erase"), result, *outcome), true);
        return;
    }
    m_model.setContents(QByteArray(qsizetype(size), char(0xFF)));
    addRow(*base, tr("erased %n bytes, %1", nullptr, int(size)).arg(Seconds(timer)), false);
}

void EepromPanel::onLoad()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Load EEPROM Image"), QString(),
                                                      ImageFileName::Filters());
    if (!path.isEmpty())
        loadFile(path);
}

void EepromPanel::loadFile(const QString &path)
{
    SMemoryImage image;
    QString error;
    std::size_t overlap = 0;
    if (!ImageFile::Load(path, ImageFile::FormatOf(path), image, error) ||
        !image.Normalise(overlap)) {
        QMessageBox::critical(this, tr("EEPROM"), tr("The file cannot be loaded.") + u'\n' + error);
        return;
    }
    if (image.End() > part().size) {
        QMessageBox::warning(this, tr("EEPROM"),
                             tr("The file holds data beyond the %1's %2 bytes.")
                                 .arg(m_part->currentText())
                                 .arg(part().size));
        return;
    }
    if (m_model.changedCount() > 0) {
        const EEditsChoice choice =
            askAboutEdits(tr("Loading %1 over the changes").arg(QFileInfo(path).fileName()), true);
        if (choice == EEditsChoice::Cancel)
            return;
        if (choice == EEditsChoice::Discard)
            m_model.revertChanges();
    }
    // Loaded bytes count as changes against what was read, so Program writes their pages.
    for (const SImageSegment &segment : image.segments)
        m_model.overlay(segment.offset,
                        QByteArray(reinterpret_cast<const char *>(segment.bytes.data()),
                                   qsizetype(segment.bytes.size())));
}

void EepromPanel::onSave()
{
    QString filter;
    const QString typed = QFileDialog::getSaveFileName(this, tr("Save EEPROM Image"), QString(),
                                                       ImageFileName::Filters(), &filter);
    if (!typed.isEmpty())
        saveFile(typed, filter);
}

void EepromPanel::saveFile(const QString &typed, const QString &filter)
{
    const ImageFileName::SChoice choice =
        ImageFileName::Resolve(typed, ImageFileName::FormatOfFilter(filter));
    // The dialog asked about replacing the name as typed, not the one with the suffix added.
    if (choice.path != typed && QFileInfo::exists(choice.path) &&
        QMessageBox::question(this, tr("Save EEPROM Image"),
                              tr("%1 already exists.\nDo you want to replace it?")
                                  .arg(QDir::toNativeSeparators(choice.path))) != QMessageBox::Yes)
        return;
    COutputFile file(choice.path);
    if (!file.Write(ImageFile::Encode(ImageOf(m_model.contents()), choice.format))) {
        QMessageBox::critical(this, tr("EEPROM"),
                              tr("The file cannot be saved.") + u'\n' + file.GetLastError());
    }
}
