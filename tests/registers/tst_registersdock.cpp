// SPDX-License-Identifier: MIT
// The Registers dock on the simulated bench: its rows after a read, a field edit and its
// wire bytes, the marks of changed and non-reset values, a register edit written, the
// question before a write or a read that clears, the tree of a map that follows another,
// the hint for a device without a map, and its place in the window.
#include "CBusSession.h"
#include "CRegistersPart.h"
#include "CSimBus.h"
#include "CSimTemperatureSensor.h"
#include "PanelTestSupport.h"
#include "RegistersPanel.h"
#include "ReportLines.h"
#include "VtlTestMain.h"
#include "WriteConfirmation.h"
#include "mainwindow.h"

#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString TEMPERATURE_FILE = QStringLiteral(VTL_DEMO_EXAMPLES_DIR "/bench-temperature.i2cdev");

QStringList RowTexts(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int column = 0; column < item->columnCount(); ++column)
        texts << item->text(column);
    return texts;
}

// A map of two registers at 0x01 and 0x02, the first with fields of the given widths
// (from bit 0 up) and access.
SRegisterMap MadeUpMap(const QList<int> &widths,
                       ERegisterAccess access = ERegisterAccess::ReadWrite)
{
    SRegisterMap map;
    SRegister first;
    first.name = u"FIRST"_s;
    first.address = 0x01;
    first.access = access;
    int lsb = 0;
    for (int width : widths) {
        SRegisterField field;
        field.name = u"F%1"_s.arg(lsb);
        field.lsb = lsb;
        field.msb = lsb + width - 1;
        first.fields.append(field);
        lsb += width;
    }
    SRegister second;
    second.name = u"SECOND"_s;
    second.address = 0x02;
    map.registers = {first, second};
    return map;
}

// Answers the next question in a message box: with its confirm button, else with Cancel.
void Answer(CModalScript &script, bool confirm)
{
    script.Then<QMessageBox>([confirm](QMessageBox *box) {
        if (auto *button = box->findChild<QPushButton *>(u"confirmButton"_s); button && confirm)
            button->click();
        else
            ClickButton(box, QMessageBox::Cancel);
    });
}

} // namespace

class TestRegistersDock : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimTemperatureSensor> m_sensor;
    std::unique_ptr<CBusSession> m_session;
    std::unique_ptr<RegistersPanel> m_panel;
    std::unique_ptr<CRegistersPart> m_part;
    std::vector<STransactionRecord> m_rows;

    QTreeWidget *tree() const { return m_panel->findChild<QTreeWidget *>(u"tree_registers"_s); }
    void click(const char *name)
    {
        m_panel->findChild<QPushButton *>(QString::fromLatin1(name))->click();
    }
    QTreeWidgetItem *registerRow(const QString &name) const
    {
        return tree()->findItems(name, Qt::MatchExactly, 1).value(0);
    }

private Q_SLOTS:
    void init()
    {
        WriteConfirmation::forgetChoices();
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"D-1");
        m_adapter->SetFramePeriod(std::chrono::nanoseconds(0));
        m_sensor = m_adapter->AddSlave(0x48, std::make_shared<CSimTemperatureSensor>(25.0625));
        m_session = std::make_unique<CBusSession>();
        QVERIFY(m_session->Connect({EVtlType::VtlA, L"D-1"}, EI2cSpeed::Speed100k));
        m_panel = std::make_unique<RegistersPanel>();
        m_rows.clear();
        m_part = std::make_unique<CRegistersPart>(
            *m_session, *m_panel, [this](const STransactionRecord &r) { m_rows.push_back(r); },
            [](std::uint8_t address) { return u"0x%1"_s.arg(address, 2, 16, QChar(u'0')); });
        m_part->setDeviceFile(TEMPERATURE_FILE);
        m_adapter->ClearReports();
    }

    void cleanup()
    {
        m_part.reset();
        m_panel.reset();
        m_session.reset();
        m_sensor.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void readAllFillsTheTree()
    {
        QCOMPARE(tree()->topLevelItemCount(), 4);
        QCOMPARE(RowTexts(registerRow(u"TEMP"_s)), (QStringList{u"0x00"_s, u"TEMP"_s, {}, {}}));
        click("btn_registers_read_all");
        QCOMPARE(m_rows.size(), std::size_t(4));
        QCOMPARE(RowTexts(registerRow(u"TEMP"_s)),
                 (QStringList{u"0x00"_s, u"TEMP"_s, u"0x1910"_s, u"T=25.06 °C"_s}));
        QTreeWidgetItem *config = registerRow(u"CONFIG"_s);
        QCOMPARE(config->childCount(), 9);
        QCOMPARE(RowTexts(config->child(2)),
                 (QStringList{u"[12:11]"_s, u"F"_s, u"0"_s, u"1 fault"_s}));
        QCOMPARE(RowTexts(config->child(5)), (QStringList{u"[8]"_s, u"SD"_s, {}, u"clear"_s}));
        // Read-only: no edit of TEMP's value, of the resolution field, no Write for TEMP.
        QVERIFY(!registerRow(u"TEMP"_s)->flags().testFlag(Qt::ItemIsEditable));
        QVERIFY(!config->child(1)->flags().testFlag(Qt::ItemIsEditable));
        tree()->setCurrentItem(registerRow(u"TEMP"_s));
        QVERIFY(!m_panel->findChild<QPushButton *>(u"btn_registers_write"_s)->isEnabled());
    }

    // SD set from the dock: one read and one write of CONFIG, the reading then freezes; the
    // value that left its reset value is marked, a reading that changed is bold.
    void fieldEditFreezesTheReading()
    {
        click("btn_registers_read_all");
        m_adapter->ClearReports();
        m_rows.clear();
        QTreeWidgetItem *config = registerRow(u"CONFIG"_s);
        {
            CModalScript script;
            Answer(script, true);
            config->child(5)->setCheckState(2, Qt::Checked);
            QVERIFY2(script.Done(), qPrintable(script.Failure()));
            QCOMPARE(script.Seen(),
                     QStringList{u"Write: Write Bench Temperature Sensor CONFIG at 0x48 on "
                                 u"adapter D-1?"_s});
        }
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()),
                 (QStringList{u"02 82 90 01"_s, u"03 02 91"_s, u"02 C4 90 01 61 A0"_s}));
        QCOMPARE(m_rows.size(), std::size_t(2));
        QCOMPARE(config->text(2), u"0x61A0"_s);
        QVERIFY(config->toolTip(2).contains(u"Differs from the reset value 0x60A0."_s));

        m_sensor->SetTemperature(40.0);
        click("btn_registers_read_all");
        QCOMPARE(registerRow(u"TEMP"_s)->text(2), u"0x1910"_s);
        QVERIFY(!registerRow(u"TEMP"_s)->font(2).bold());
        {
            CModalScript script;
            Answer(script, true);
            config->child(5)->setCheckState(2, Qt::Unchecked);
            QVERIFY2(script.Done(), qPrintable(script.Failure()));
        }
        click("btn_registers_read_all");
        QCOMPARE(registerRow(u"TEMP"_s)->text(2), u"0x2800"_s);
        QVERIFY(registerRow(u"TEMP"_s)->font(2).bold());
        QCOMPARE(registerRow(u"CONFIG"_s)->toolTip(2),
                 u"A value typed here is written to CONFIG when you press Write."_s);
    }

    void registerEditIsWrittenOnWrite()
    {
        QTreeWidgetItem *limit = registerRow(u"TLOW"_s);
        tree()->setCurrentItem(limit);
        // Nothing typed, nothing to write: a Write after a field edit would write it twice.
        QVERIFY(!m_panel->findChild<QPushButton *>(u"btn_registers_write"_s)->isEnabled());
        limit->setText(2, u"0x1000"_s);
        QVERIFY(limit->font(2).italic());
        QVERIFY(m_adapter->GetSpecialReports().empty());
        CModalScript script;
        Answer(script, true);
        click("btn_registers_write");
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), QStringList{u"02 C4 90 02 10"_s});
        QCOMPARE(limit->text(3), u"T=16.00 °C"_s);
        QVERIFY(!limit->font(2).italic());
        const QString csv = CRegisterValues::Csv(m_panel->map(), m_panel->values());
        QVERIFY2(csv.startsWith(u"register,address,value,field,bits,field value,meaning\r\n"_s),
                 qPrintable(csv));
        QVERIFY2(csv.contains(u"TLOW,0x02,0x1000,T,[15:4],256,16.00 °C\r\n"_s), qPrintable(csv));
    }

    // Declining the question leaves the chip alone and the cell as the chip holds it; a
    // read that clears flags asks first, a Read All passes such a register by.
    void askedBeforeTheBusChanges_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("field edit declined") << u"field"_s << false << QStringList{};
        QTest::newRow("field edit confirmed")
            << u"field"_s << true
            << QStringList{u"02 82 90 01"_s, u"03 01 91"_s, u"02 C3 90 01 61"_s};
        QTest::newRow("register write declined") << u"write"_s << false << QStringList{};
        QTest::newRow("read of rc declined") << u"read"_s << false << QStringList{};
        QTest::newRow("read of rc confirmed")
            << u"read"_s << true << QStringList{u"02 82 90 01"_s, u"03 01 91"_s};
    }

    void askedBeforeTheBusChanges()
    {
        QFETCH(QString, action);
        QFETCH(bool, confirm);
        QFETCH(QStringList, reports);
        const bool clears = action == u"read"_s;
        m_panel->setMap(
            MadeUpMap({1, 7}, clears ? ERegisterAccess::ReadClears : ERegisterAccess::ReadWrite));
        QTreeWidgetItem *first = registerRow(u"FIRST"_s);
        tree()->setCurrentItem(first);
        CModalScript script;
        Answer(script, confirm);
        if (action == u"field"_s) {
            first->child(0)->setCheckState(2, Qt::Checked);
        } else if (action == u"write"_s) {
            first->setText(2, u"0x05"_s);
            click("btn_registers_write");
        } else {
            click("btn_registers_read");
        }
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), reports);
        if (action == u"field"_s && !confirm)
            QCOMPARE(first->child(0)->checkState(2), Qt::Unchecked);
        if (clears) {
            m_adapter->ClearReports();
            click("btn_registers_read_all");
            QCOMPARE(ReportLines(m_adapter->GetSpecialReports()),
                     (QStringList{u"02 82 90 02"_s, u"03 01 91"_s}));
        }
    }

    // The same number of registers with other fields: every row is the new map's.
    void anotherMapRebuildsTheTree_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("fewer fields") << QList<int>{2, 2, 4} << QList<int>{8};
        QTest::newRow("more fields") << QList<int>{8} << QList<int>{1, 1, 1, 5};
        QTest::newRow("no fields") << QList<int>{4, 4} << QList<int>{};
    }

    void anotherMapRebuildsTheTree()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        m_panel->setMap(MadeUpMap(before));
        tree()->expandAll();
        m_panel->setMap(MadeUpMap(after));
        QCOMPARE(tree()->topLevelItemCount(), 2);
        QTreeWidgetItem *first = registerRow(u"FIRST"_s);
        QCOMPARE(first->childCount(), after.size());
        int lsb = 0;
        for (int field = 0; field < after.size(); ++field) {
            QCOMPARE(first->child(field)->text(1), u"F%1"_s.arg(lsb));
            lsb += after.at(field);
        }
        m_panel->values().ApplyRead({{0, 0xFF}, {1, 0x01}});
        m_panel->refresh();
        QCOMPARE(first->text(2), u"0xFF"_s);
    }

    void deviceWithoutMapShowsAHint()
    {
        m_part->setDeviceFile(QStringLiteral(VTL_DEMO_EXAMPLES_DIR "/bench-eeprom.i2cdev"));
        const auto *hint = m_panel->findChild<QLabel *>(u"label_registers_hint"_s);
        QVERIFY(tree()->isHidden());
        QVERIFY2(hint->text().contains(u"has no register map"_s), qPrintable(hint->text()));
        QVERIFY(!m_panel->findChild<QPushButton *>(u"btn_registers_read_all"_s)->isEnabled());
    }

    // Hidden until asked for; the projects panel's current device is the one it shows.
    void windowShowsTheCurrentDevice()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(TEMPERATURE_FILE, folder.filePath(u"sensor.i2cdev"_s)));
        QSettings().setValue(u"projects/folder"_s, folder.path());
        MainWindow window;
        const auto *dock = window.findChild<QDockWidget *>(u"dock_registers"_s);
        QVERIFY(dock);
        QCOMPARE(dock->windowTitle(), u"Registers"_s);
        QVERIFY(dock->isHidden());
        QVERIFY(window.findChild<QAction *>(u"actionRegisters"_s));
        auto *projects = window.findChild<QTreeView *>(u"tree_projects"_s);
        const auto *registers = dock->findChild<QTreeWidget *>(u"tree_registers"_s);
        QCOMPARE(registers->topLevelItemCount(), 0);
        projects->setCurrentIndex(projects->model()->index(0, 0));
        QCOMPARE(registers->topLevelItemCount(), 4);
        QCOMPARE(registers->topLevelItem(1)->text(1), u"CONFIG"_s);

        // A device gone from the folder is no longer offered for reads and writes.
        QVERIFY(QFile::remove(folder.filePath(u"sensor.i2cdev"_s)));
        window.findChild<QAbstractButton *>(u"btn_projects_reload"_s)->click();
        QVERIFY(registers->isHidden());
        QCOMPARE(dock->findChild<QLabel *>(u"label_registers_hint"_s)->text(),
                 u"Select a device in the projects panel."_s);
    }
};

VTL_TEST_MAIN(TestRegistersDock)
#include "tst_registersdock.moc"
