// SPDX-License-Identifier: MIT
#include "EepromPanel.h"

#include "BusJobWaiter.h"
#include "CBusSession.h"
#include "COutputFile.h"
#include "COutputTable.h"
#include "EepromParts.h"
#include "ImageFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const char *const DEFAULT_PART = "24x256";
const QString IMAGE_FILTER = u"Intel HEX (*.hex *.ihex);;S-record (*.srec *.s19 *.s28 *.s37 "
                             u"*.mot);;Binary (*.bin);;All files (*)"_s;

QString AddressText(std::uint8_t address)
{
    return u"0x"_s + QString::number(address, 16).toUpper().rightJustified(2, u'0');
}

QString OffsetText(std::size_t offset)
{
    return u"0x"_s + QString::number(offset, 16).toUpper().rightJustified(4, u'0');
}

QString Seconds(const QElapsedTimer &timer)
{
    return QString::number(double(timer.elapsed()) / 1000.0, 'f', 2) + u" s"_s;
}

SMemoryImage ImageOf(const QByteArray &bytes)
{
    SMemoryImage image;
    image.segments.push_back({0, {bytes.begin(), bytes.end()}});
    return image;
}

} // namespace

EepromPanel::EepromPanel(CBusSession &session, COutputTable &table,
                         std::function<std::optional<std::uint8_t>()> mainAddress, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_table(table)
    , m_mainAddress(std::move(mainAddress))
{
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
    auto *buttons = new QHBoxLayout;
    const auto button = [&](const QString &name, const QString &text, void (EepromPanel::*slot)()) {
        auto *pushButton = new QPushButton(text);
        pushButton->setObjectName(name);
        connect(pushButton, &QPushButton::clicked, this, slot);
        buttons->addWidget(pushButton);
    };
    button(u"btn_eeprom_read"_s, tr("Read"), &EepromPanel::onRead);
    button(u"btn_eeprom_program"_s, tr("Program"), &EepromPanel::onProgram);
    button(u"btn_eeprom_verify"_s, tr("Verify"), &EepromPanel::onVerify);
    button(u"btn_eeprom_erase"_s, tr("Erase"), &EepromPanel::onErase);
    button(u"btn_eeprom_load"_s, tr("Load..."), &EepromPanel::onLoad);
    button(u"btn_eeprom_save"_s, tr("Save..."), &EepromPanel::onSave);

    m_view = new QTableView;
    m_view->setObjectName(u"view_eeprom"_s);
    m_view->setModel(&m_model);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Two hex digits never wrap; without wrapping a cell paints without laying out its text.
    m_view->setWordWrap(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(m_view);

    connect(m_part, &QComboBox::currentIndexChanged, this, &EepromPanel::onPartChanged);
    onPartChanged();
}

SEepromPart EepromPanel::part() const
{
    return *EepromParts::Find(m_part->currentText().toStdString());
}

void EepromPanel::onPartChanged()
{
    const SEepromPart chosen = part();
    m_address->clear();
    for (const std::uint8_t base : EepromParts::BaseAddresses(chosen))
        m_address->addItem(AddressText(base));
    const std::optional<std::uint8_t> main = m_mainAddress ? m_mainAddress() : std::nullopt;
    if (main && EepromParts::IsBaseAddress(chosen, *main))
        m_address->setCurrentText(AddressText(*main));
    // Until it is read, the memory is unknown; blank is what a new part holds.
    m_model.setContents(QByteArray(qsizetype(chosen.size), char(0xFF)));
}

std::optional<std::uint8_t> EepromPanel::address()
{
    QString text = m_address->currentText().trimmed();
    if (text.startsWith(u"0x"_s, Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || value > 0x7F || !EepromParts::IsBaseAddress(part(), std::uint8_t(value))) {
        QMessageBox::warning(
            this, tr("EEPROM"),
            tr("Invalid address. Choose a base address of the %1.").arg(m_part->currentText()));
        return std::nullopt;
    }
    return std::uint8_t(value);
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
    auto programmed = std::make_shared<SEepromOutcome>();
    auto verified = std::make_shared<SEepromOutcome>();
    QElapsedTimer timer;
    timer.start();
    const SBusProcedureResult result = run(tr("Programming the EEPROM..."), [=](CBusContext &bus) {
        const SBusProcedureResult written = engine.Program(bus, image, *programmed);
        return written.ok ? engine.Verify(bus, image, *verified) : written;
    });
    if (verified->differsAt) {
        m_model.setDiffering({*verified->differsAt});
        addRow(*base,
               tr("programmed %1 bytes, differs at offset %2")
                   .arg(programmed->done)
                   .arg(OffsetText(*verified->differsAt)),
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
    QElapsedTimer timer;
    timer.start();
    const SBusProcedureResult result = run(tr("Verifying the EEPROM..."), [=](CBusContext &bus) {
        return engine.Read(bus, 0, size, *outcome);
    });
    if (!result.ok) {
        addRow(*base, failureText(tr("verify"), result, *outcome), true);
        return;
    }
    // Every differing byte is marked, not only the first.
    const QByteArray expected = m_model.contents();
    std::set<std::size_t> differing;
    for (std::size_t i = 0; i < outcome->data.size(); ++i) {
        if (char(outcome->data[i]) != expected[qsizetype(i)])
            differing.insert(i);
    }
    m_model.setDiffering(differing);
    if (differing.empty()) {
        addRow(*base,
               tr("verified %n bytes, identical, %1", nullptr, int(size)).arg(Seconds(timer)),
               false);
        return;
    }
    addRow(*base,
           tr("%n bytes differ, the first at offset %1", nullptr, int(differing.size()))
               .arg(OffsetText(*differing.begin())),
           true);
}

void EepromPanel::onErase()
{
    const std::optional<std::uint8_t> base = address();
    if (!base)
        return;
    const CEepromEngine engine(part(), *base);
    const std::size_t size = engine.Part().size;
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
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Load EEPROM Image"), QString(), IMAGE_FILTER);
    if (path.isEmpty())
        return;
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
    // Loaded bytes count as changes against what was read, so Program writes their pages.
    for (const SImageSegment &segment : image.segments) {
        for (std::size_t i = 0; i < segment.bytes.size(); ++i) {
            const std::size_t offset = segment.offset + i;
            m_model.setData(m_model.index(int(offset / EepromHexModel::BYTES_PER_ROW),
                                          int(offset % EepromHexModel::BYTES_PER_ROW)),
                            QString::number(segment.bytes[i], 16));
        }
    }
}

void EepromPanel::onSave()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save EEPROM Image"), QString(), IMAGE_FILTER);
    if (path.isEmpty())
        return;
    COutputFile file(path);
    if (!file.Write(ImageFile::Encode(ImageOf(m_model.contents()), ImageFile::FormatOf(path)))) {
        QMessageBox::critical(this, tr("EEPROM"),
                              tr("The file cannot be saved.") + u'\n' + file.GetLastError());
    }
}
