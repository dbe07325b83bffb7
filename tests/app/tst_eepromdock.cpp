// SPDX-License-Identifier: MIT
// The EEPROM dock in the window on adapter C's 24x16: read, edit bytes in two blocks,
// program (only the changed pages) and verify, one summary row per operation; the address
// it takes from the window, the question before Program and Erase, the question before
// changes are dropped, and the format Save... writes.
#include "EepromPanel.h"
#include "ImageFileName.h"
#include "PresetWindowFixture.h"
#include "VtlTestMain.h"
#include "WriteConfirmation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Answers the dock's message boxes in order, each by the object name of a button, "Return"
// (the key) or "Cancel"; a box beyond the answers is a failure and is rejected.
class CBoxAnswers : public QObject
{
public:
    explicit CBoxAnswers(QStringList answers)
        : m_answers(std::move(answers))
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    QStringList seen; // text, then informative text, of each box
    QString unexpected;
    bool done() const { return m_answers.isEmpty() && unexpected.isEmpty(); }

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || m_handled.contains(box))
            return;
        m_handled << box;
        seen << box->text() + u" | "_s + box->informativeText();
        if (m_answers.isEmpty()) {
            unexpected = box->text();
            QTimer::singleShot(0, box, &QMessageBox::reject);
            return;
        }
        const QString answer = m_answers.takeFirst();
        QTimer::singleShot(0, box, [box, answer] {
            if (answer == u"Return"_s)
                QTest::keyClick(box, Qt::Key_Return);
            else if (answer == u"Cancel"_s)
                box->button(QMessageBox::Cancel)->click();
            else
                Child<QAbstractButton>(*box, answer)->click();
        });
    }

    QStringList m_answers;
    QTimer m_timer;
    QList<QPointer<QMessageBox>> m_handled;
};

} // namespace

class TestEepromDock : public QObject
{
    Q_OBJECT

    CPresetWindowFixture m_app;

    EepromPanel *panel() const { return m_app.window->findChild<EepromPanel *>(); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_app.window, u"table_data"_s); }
    QComboBox *combo(const QString &name) const { return Child<QComboBox>(*m_app.window, name); }
    void click(const QString &button) { Child<QAbstractButton>(*m_app.window, button)->click(); }
    QStringList lastRow() const { return RowTexts(*table(), table()->rowCount() - 1); }
    QString message() const
    {
        auto *label = Child<QLabel>(*m_app.window, u"lbl_eeprom_message"_s);
        return label->isVisibleTo(m_app.window.get()) ? label->text() : QString();
    }

    // The dock open on the 24x16 at 0x50, its bytes known from a read; false if not reached.
    bool readChip(std::vector<unsigned char> &chip)
    {
        ActionOf(*m_app.window, "actionEeprom")->trigger();
        combo(u"cmb_eeprom_part"_s)->setCurrentText(u"24x16"_s);
        combo(u"cmb_eeprom_address"_s)->setCurrentText(u"0x50"_s);
        chip.assign(2048, 0);
        for (std::size_t i = 0; i < chip.size(); ++i)
            chip[i] = static_cast<unsigned char>(i * 3);
        m_app.bench.eepromC->SetContents(0, chip);
        click(u"btn_eeprom_read"_s);
        return lastRow().at(2).startsWith(u"read 2048 bytes, "_s);
    }

private Q_SLOTS:
    void init()
    {
        WriteConfirmation::forgetChoices();
        QVERIFY(m_app.Open(u"VantrelC  SN SIM-C-0003"_s));
        // The dock's own questions are answered by each test.
        m_app.watcher.reset();
    }

    void cleanup() { m_app.Close(); }

    void readEditProgramVerify()
    {
        auto *dock = Child<QDockWidget>(*m_app.window, u"dock_eeprom"_s);
        QVERIFY(dock->isHidden());
        std::vector<unsigned char> chip;
        QVERIFY(readChip(chip));
        QVERIFY(!dock->isHidden());
        EepromHexModel &model = panel()->model();
        QCOMPARE(model.contents(), QByteArray(reinterpret_cast<const char *>(chip.data()), 2048));
        QCOMPARE(lastRow().mid(0, 1), QStringList{u"EEPROM 0x50 24x16"_s});

        // Offsets 0x023 (block 0) and 0x53F (block 5).
        QVERIFY(model.setData(model.index(2, 3), u"A5"_s));
        QVERIFY(model.setData(model.index(0x53, 0xF), u"5A"_s));
        CBoxAnswers answers({u"confirmButton"_s});
        click(u"btn_eeprom_program"_s);
        QVERIFY2(answers.done(), qPrintable(answers.unexpected));
        QCOMPARE(answers.seen,
                 QStringList{u"Program 24x16 at 0x50 on adapter SIM-C-0003? | 32 bytes at "
                             u"0x0020-0x002F, 0x0530-0x053F are written, then read back and "
                             u"compared."_s});
        chip[0x023] = 0xA5;
        chip[0x53F] = 0x5A;
        QCOMPARE(m_app.bench.eepromC->GetContents(), chip);
        QVERIFY2(lastRow().at(2).startsWith(u"programmed 32 bytes, verified, "_s),
                 qPrintable(lastRow().at(2)));
        QVERIFY(model.changedPages(16).empty());

        m_app.bench.eepromC->SetContents(0x301, {0x00});
        m_app.bench.eepromC->SetContents(0x400, {0x01});
        click(u"btn_eeprom_verify"_s);
        QCOMPARE(lastRow().at(2), u"2 bytes differ, the first at offset 0x0301"_s);
        QVERIFY(table()->item(table()->rowCount() - 1, 0)->foreground().style() != Qt::NoBrush);
        QVERIFY(model.index(0x30, 1).data(Qt::BackgroundRole).isValid());
        QVERIFY(model.index(0x40, 0).data(Qt::BackgroundRole).isValid());
        QCOMPARE(table()->rowCount(), 3);

        // A run beside the byte: every byte of it is marked and counted, the next is not.
        m_app.bench.eepromC->SetContents(0x400, {0x01, 0x02, 0x03});
        click(u"btn_eeprom_verify"_s);
        QCOMPARE(lastRow().at(2), u"4 bytes differ, the first at offset 0x0301"_s);
        QVERIFY(model.index(0x40, 2).data(Qt::BackgroundRole).isValid());
        QVERIFY(!model.index(0x40, 3).data(Qt::BackgroundRole).isValid());
    }

    // The window's address is proposed only where it is one of the part's; a typed address
    // goes through the window's parser and notation; Read goes where the dock shows or stops.
    void readsOnlyAnAddressOfThePart_data()
    {
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<QString>("mainAddress");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("typed"); // null: the dock's address as proposed
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("row"); // empty: Read refuses the address
        QTest::newRow("sensor, 24x02")
            << false << u"0x48"_s << u"24x02"_s << QString() << u"0x50"_s << u"EEPROM 0x50 24x02"_s;
        QTest::newRow("chip select")
            << false << u"0x53"_s << u"24x02"_s << QString() << u"0x53"_s << u"EEPROM 0x53 24x02"_s;
        QTest::newRow("block bits")
            << false << u"0x53"_s << u"24x16"_s << QString() << u"0x50"_s << u"EEPROM 0x50 24x16"_s;
        QTest::newRow("8-bit") << true << u"0xA4"_s << u"24x04"_s << QString() << u"0xA4"_s
                               << u"EEPROM 0x52 24x04"_s;
        QTest::newRow("8-bit sensor")
            << true << u"0x90"_s << u"24x02"_s << QString() << u"0xA0"_s << u"EEPROM 0x50 24x02"_s;
        QTest::newRow("typed bare")
            << false << u"0x48"_s << u"24x02"_s << u" 52 "_s << u"0x50"_s << u"EEPROM 0x52 24x02"_s;
        QTest::newRow("typed 8-bit")
            << true << u"0x90"_s << u"24x02"_s << u"0xA5"_s << u"0xA0"_s << u"EEPROM 0x52 24x02"_s;
        QTest::newRow("typed sensor")
            << false << u"0x48"_s << u"24x02"_s << u"0x48"_s << u"0x50"_s << QString();
        QTest::newRow("typed block bits")
            << false << u"0x48"_s << u"24x04"_s << u"0x51"_s << u"0x50"_s << QString();
        QTest::newRow("two prefixes")
            << false << u"0x48"_s << u"24x02"_s << u"0x0x50"_s << u"0x50"_s << QString();
        QTest::newRow("sign") << false << u"0x48"_s << u"24x02"_s << u"+50"_s << u"0x50"_s
                              << QString();
        QTest::newRow("7-bit in 8-bit")
            << true << u"0x90"_s << u"24x02"_s << u"0x50"_s << u"0xA0"_s << QString();
    }

    void readsOnlyAnAddressOfThePart()
    {
        QFETCH(bool, eightBit);
        QFETCH(QString, mainAddress);
        QFETCH(QString, part);
        QFETCH(QString, typed);
        QFETCH(QString, proposed);
        QFETCH(QString, row);
        const bool read = !row.isEmpty();
        if (eightBit)
            ActionOf(*m_app.window, "actionAddress8Bit")->trigger();
        combo(u"cmb_i2c_device"_s)->setCurrentText(mainAddress);
        ActionOf(*m_app.window, "actionEeprom")->trigger();
        combo(u"cmb_eeprom_part"_s)->setCurrentText(part);
        QCOMPARE(combo(u"cmb_eeprom_address"_s)->currentText(), proposed);
        QCOMPARE(message().contains(mainAddress), mainAddress != proposed);
        if (!typed.isNull())
            combo(u"cmb_eeprom_address"_s)->setCurrentText(typed);

        const int rows = table()->rowCount();
        CBoxAnswers answers(read ? QStringList{} : QStringList{u"Return"_s});
        click(u"btn_eeprom_read"_s);
        QVERIFY2(answers.done(), qPrintable(answers.unexpected));
        QCOMPARE(table()->rowCount(), rows + (read ? 1 : 0));
        if (read) {
            QCOMPARE(lastRow().at(0), row);
            QVERIFY2(lastRow().at(2).startsWith(u"read "_s), qPrintable(lastRow().at(2)));
        } else {
            QVERIFY2(answers.seen.value(0).startsWith(u"Invalid address "_s),
                     qPrintable(answers.seen.value(0)));
        }
    }

    void programAndEraseAskFirst_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("detail");
        const QString erase = u"All 2048 bytes, 0x0000-0x07FF, are set to 0xFF. The 1 changed "
                              u"bytes in the view that were never programmed are discarded."_s;
        const QString program =
            u"16 bytes at 0x0010-0x001F are written, then read back and compared."_s;
        QTest::newRow("erase, Cancel") << u"btn_eeprom_erase"_s << u"Cancel"_s << false << erase;
        QTest::newRow("erase, Return") << u"btn_eeprom_erase"_s << u"Return"_s << false << erase;
        QTest::newRow("erase, Erase")
            << u"btn_eeprom_erase"_s << u"confirmButton"_s << true << erase;
        QTest::newRow("program, Return")
            << u"btn_eeprom_program"_s << u"Return"_s << false << program;
        QTest::newRow("program, Program")
            << u"btn_eeprom_program"_s << u"confirmButton"_s << true << program;
    }

    void programAndEraseAskFirst()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(bool, written);
        QFETCH(QString, detail);
        std::vector<unsigned char> chip;
        QVERIFY(readChip(chip));
        EepromHexModel &model = panel()->model();
        QVERIFY(model.setData(model.index(1, 0), u"EE"_s));
        const int rows = table()->rowCount();
        CBoxAnswers answers({answer});
        click(button);
        QVERIFY2(answers.done(), qPrintable(answers.unexpected));
        QCOMPARE(answers.seen.size(), 1);
        QVERIFY2(
            answers.seen.front().contains(u" 24x16 at 0x50 on adapter SIM-C-0003? | "_s + detail),
            qPrintable(answers.seen.front()));
        QCOMPARE(m_app.bench.eepromC->GetContents() != chip, written);
        QCOMPARE(table()->rowCount(), rows + (written ? 1 : 0));
        // A refused write keeps the edit for another try.
        QCOMPARE(model.isChanged(0x10), !written);
    }

    void changesAreNotDroppedWithoutAsking_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("editAfter");   // the edited byte at 0x10 afterwards, -1: none
        QTest::addColumn<int>("loadedAfter"); // the loaded byte at 0x20 afterwards, -1: none
        QTest::newRow("part, Cancel") << u"part"_s << u"Cancel"_s << u"24x16"_s << 0xEE << -1;
        QTest::newRow("part, Return") << u"part"_s << u"Return"_s << u"24x16"_s << 0xEE << -1;
        QTest::newRow("part, Keep") << u"part"_s << u"keepChanges"_s << u"24x02"_s << 0xEE << -1;
        QTest::newRow("part, Discard")
            << u"part"_s << u"discardChanges"_s << u"24x02"_s << 0xFF << -1;
        QTest::newRow("load, Cancel") << u"load"_s << u"Cancel"_s << u"24x16"_s << 0xEE << -1;
        QTest::newRow("load, Keep") << u"load"_s << u"keepChanges"_s << u"24x16"_s << 0xEE << 0x77;
        QTest::newRow("load, Discard")
            << u"load"_s << u"discardChanges"_s << u"24x16"_s << 0x30 << 0x77;
        QTest::newRow("read, Cancel") << u"read"_s << u"Cancel"_s << u"24x16"_s << 0xEE << -1;
        QTest::newRow("read, Discard")
            << u"read"_s << u"discardChanges"_s << u"24x16"_s << 0x30 << -1;
        QTest::newRow("close, Cancel") << u"close"_s << u"Cancel"_s << u"24x16"_s << 0xEE << -1;
        QTest::newRow("close, Discard")
            << u"close"_s << u"discardChanges"_s << u"24x16"_s << 0xEE << -1;
    }

    void changesAreNotDroppedWithoutAsking()
    {
        QFETCH(QString, action);
        QFETCH(QString, answer);
        QFETCH(QString, part);
        QFETCH(int, editAfter);
        QFETCH(int, loadedAfter);
        std::vector<unsigned char> chip;
        QVERIFY(readChip(chip)); // byte 0x10 reads 0x30, byte 0x20 reads 0x60
        EepromHexModel &model = panel()->model();
        QVERIFY(model.setData(model.index(1, 0), u"EE"_s));
        QTemporaryDir dir;
        // One byte, 0x77 at 0x20, away from the edit.
        const QString file = dir.filePath(u"one.hex"_s);
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(":010020007768\n:00000001FF\n");
        }
        const QByteArray before = model.contents();
        CBoxAnswers answers({answer});
        if (action == u"part"_s)
            combo(u"cmb_eeprom_part"_s)->setCurrentText(u"24x02"_s);
        else if (action == u"load"_s)
            panel()->loadFile(file);
        else if (action == u"close"_s)
            QCOMPARE(m_app.window->close(), answer == u"discardChanges"_s);
        else
            click(u"btn_eeprom_read"_s);
        QVERIFY2(answers.done(), qPrintable(answers.unexpected));
        QCOMPARE(answers.seen.size(), 1);
        QVERIFY2(answers.seen.front().startsWith(u"1 changed bytes in the view"_s),
                 qPrintable(answers.seen.front()));
        QCOMPARE(combo(u"cmb_eeprom_part"_s)->currentText(), part);
        QCOMPARE(quint8(model.contents().at(0x10)), quint8(editAfter));
        if (loadedAfter >= 0)
            QCOMPARE(quint8(model.contents().at(0x20)), quint8(loadedAfter));
        if (answer == u"Cancel"_s || answer == u"Return"_s)
            QCOMPARE(model.contents(), before);
    }

    void saveTakesTheChosenType()
    {
        ActionOf(*m_app.window, "actionEeprom")->trigger();
        combo(u"cmb_eeprom_part"_s)->setCurrentText(u"24x02"_s);
        QTemporaryDir dir;
        const QStringList filters = ImageFileName::Filters().split(u";;"_s);
        panel()->saveFile(dir.filePath(u"image"_s), filters.at(0));
        QFile saved(dir.filePath(u"image.hex"_s));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        // Intel HEX data records of the blank part and its end-of-file record.
        const QByteArray text = saved.readAll();
        QVERIFY2(text.startsWith(":10000000FFFFFFFF"), text.left(40).constData());
        QVERIFY(text.trimmed().endsWith(":00000001FF"));
        QVERIFY(!QFile::exists(dir.filePath(u"image"_s)));
    }

    void dockContentFitsBesideOthers()
    {
        ActionOf(*m_app.window, "actionEeprom")->trigger();
        const QSize minimum = panel()->minimumSizeHint();
        QVERIFY2(minimum.width() <= 420 && minimum.height() <= 420,
                 qPrintable(u"%1x%2"_s.arg(minimum.width()).arg(minimum.height())));
        auto *view = Child<QTableView>(*m_app.window, u"view_eeprom"_s);
        QVERIFY(view->minimumHeight() >= 4 * view->verticalHeader()->defaultSectionSize());
    }
};

VTL_TEST_MAIN(TestEepromDock)
#include "tst_eepromdock.moc"
