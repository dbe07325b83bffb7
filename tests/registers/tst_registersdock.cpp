// SPDX-License-Identifier: MIT
// The Registers dock on the simulated bench: its rows after a read, a field edit and its
// wire bytes, the marks of changed and non-reset values, a register edit written, the hint
// for a device without a map, and its place in the window.
#include "CBusSession.h"
#include "CRegistersPart.h"
#include "CSimBus.h"
#include "CSimTemperatureSensor.h"
#include "RegistersPanel.h"
#include "ReportLines.h"
#include "VtlTestMain.h"
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
        config->child(5)->setCheckState(2, Qt::Checked);
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()),
                 (QStringList{u"02 82 90 01"_s, u"03 02 91"_s, u"02 C4 90 01 61 A0"_s}));
        QCOMPARE(m_rows.size(), std::size_t(2));
        QCOMPARE(config->text(2), u"0x61A0"_s);
        QVERIFY(config->toolTip(2).contains(u"Differs from the reset value 0x60A0."_s));

        m_sensor->SetTemperature(40.0);
        click("btn_registers_read_all");
        QCOMPARE(registerRow(u"TEMP"_s)->text(2), u"0x1910"_s);
        QVERIFY(!registerRow(u"TEMP"_s)->font(2).bold());
        config->child(5)->setCheckState(2, Qt::Unchecked);
        click("btn_registers_read_all");
        QCOMPARE(registerRow(u"TEMP"_s)->text(2), u"0x2800"_s);
        QVERIFY(registerRow(u"TEMP"_s)->font(2).bold());
        QVERIFY(registerRow(u"CONFIG"_s)->toolTip(2).isEmpty());
    }

    void registerEditIsWrittenOnWrite()
    {
        QTreeWidgetItem *limit = registerRow(u"TLOW"_s);
        limit->setText(2, u"0x1000"_s);
        QVERIFY(limit->font(2).italic());
        QVERIFY(m_adapter->GetSpecialReports().empty());
        tree()->setCurrentItem(limit);
        click("btn_registers_write");
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), QStringList{u"02 C4 90 02 10"_s});
        QCOMPARE(limit->text(3), u"T=16.00 °C"_s);
        QVERIFY(!limit->font(2).italic());
        const QString csv = CRegisterValues::Csv(m_panel->map(), m_panel->values());
        QVERIFY2(csv.startsWith(u"register,address,value,field,bits,field value,meaning\r\n"_s),
                 qPrintable(csv));
        QVERIFY2(csv.contains(u"TLOW,0x02,0x1000,T,[15:4],256,16.00 °C\r\n"_s), qPrintable(csv));
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
    }
};

VTL_TEST_MAIN(TestRegistersDock)
#include "tst_registersdock.moc"
