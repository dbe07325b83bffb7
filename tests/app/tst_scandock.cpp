// SPDX-License-Identifier: MIT
// The Bus Scan dock in the window on adapter A: the grid after Scan and after Identify, a
// found part taken into the projects, and its registers opened from the grid.
#include "AppTestSupport.h"
#include "CI2cDeviceFile.h"
#include "CSimPresetBench.h"
#include "RegistersPanel.h"
#include "ScanPanel.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QDir>
#include <QDockWidget>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;

class TestScanDock : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    SSimPresetBench m_bench;

    QTableWidget *grid() const { return Child<QTableWidget>(*m_window, u"table_scan"_s); }
    QTableWidgetItem *cell(int address) const { return grid()->item(address / 16, address % 16); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }
    QStringList lastRow() const { return RowTexts(*table(), table()->rowCount() - 1); }
    ScanPanel *panel() const { return m_window->findChild<ScanPanel *>(); }

    // Add to Projects on `address`, choosing the part preselected in the dialog; `separator`
    // receives the index of the line between candidates and the rest of the library.
    QString addToProjects(int address, int *separator = nullptr)
    {
        QString offered;
        m_watcher->onDialog = [&offered, separator](QDialog *dialog) {
            if (auto *input = qobject_cast<QInputDialog *>(dialog))
                offered = input->textValue();
            const auto *combo = dialog->findChild<QComboBox *>();
            for (int i = 0; separator && combo && i < combo->count(); ++i) {
                if (combo->itemData(i, Qt::AccessibleDescriptionRole).toString() ==
                    u"separator"_s)
                    *separator = i;
            }
            dialog->accept();
        };
        Q_EMIT panel()->addToProjectsRequested(std::uint8_t(address));
        m_watcher->onDialog = {};
        return offered;
    }

    // "Allow Identify to Send Any Byte..." on `address`, answered Yes; the question's text.
    QString allowAnyByte(int address)
    {
        // The watcher would answer Ok, which is not Yes: it pauses while the question is open.
        m_watcher.reset();
        QString text;
        QTimer::singleShot(0, this, [&text] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            text = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        Q_EMIT panel()->allowAnyByteRequested(std::uint8_t(address));
        m_watcher = std::make_unique<CModalWatcher>();
        return text;
    }

    // The rows that a click on Identify adds to the output table.
    QList<QStringList> identifyRows()
    {
        const int before = table()->rowCount();
        Child<QAbstractButton>(*m_window, u"btn_scan_identify"_s)->click();
        QList<QStringList> rows;
        for (int row = before; row < table()->rowCount(); ++row)
            rows.append(RowTexts(*table(), row));
        return rows;
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        QSettings().clear();
        m_folder = std::make_unique<QTemporaryDir>();
        QSettings().setValue(u"projects/folder"_s, m_folder->path());
        m_bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_watcher = std::make_unique<CModalWatcher>();
        QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN SIM-A-0001"_s));
    }

    void cleanup()
    {
        m_watcher.reset();
        m_window.reset();
        m_bench = {};
        CSimBus::Instance().Reset();
        m_folder.reset();
    }

    void scanIdentifyAndAdd()
    {
        auto *dock = Child<QDockWidget>(*m_window, u"dock_scan"_s);
        QVERIFY(dock->isHidden());
        ActionOf(*m_window, "actionScan")->trigger();
        QVERIFY(!dock->isHidden());
        QVERIFY(!Child<QAbstractButton>(*m_window, u"btn_scan_identify"_s)->isEnabled());

        // Scan is the window's I2C Search: its row and the address list as ever.
        Child<QAbstractButton>(*m_window, u"btn_scan"_s)->click();
        QCOMPARE(lastRow(), (QStringList{u"Search"_s, QString(), u"0x23, 0x40, 0x48, 0x50"_s}));
        QCOMPARE(Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->count(), 4);
        QCOMPARE(cell(0x23)->text(), u"0x23\n8 candidates"_s);
        QCOMPARE(cell(0x40)->text(), u"0x40\n12 candidates"_s);
        QVERIFY(cell(0x40)->toolTip().contains(
            u"12 candidates, ranked:\n  HDC1080: likely\n  INA226: likely\n"_s));
        QCOMPARE(cell(0x41)->text(), u"--"_s);
        QCOMPARE(cell(0x03)->text(), QString());
        QVERIFY(!(cell(0x03)->flags() & Qt::ItemIsEnabled));
        QVERIFY(cell(0x78)->data(Qt::ForegroundRole).isValid());

        Q_EMIT panel()->useAddressRequested(0x48);
        QCOMPARE(Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->currentText(), u"0x48"_s);

        // A humidity sensor that 0xFE resets may sit at 0x40, an ADC that stores any byte at
        // 0x48: Identify sends nothing there, and says why.
        const QString leftOut = u"ID reads left out at 0x40, 0x48 (a part there would act on them)"_s;
        QCOMPARE(identifyRows(), (QList<QStringList>{
                                     {u"Identify"_s, QString(), u"No part identified; "_s + leftOut}}));
        QCOMPARE(cell(0x40)->text(), u"0x40\n12 candidates"_s);
        QVERIFY(cell(0x40)->toolTip().endsWith(
            u"\nnot identified: Identify would send 0xFE, a reset command of SHT2x"_s));
        QCOMPARE(cell(0x48)->text(), u"0x48\n15 candidates"_s);
        // Nothing was ruled out at 0x48: the first of the parts made for that address.
        int separator = -1;
        QCOMPARE(addToProjects(0x48, &separator), u"TMP117 (temperature), likely"_s);
        QCOMPARE(separator, 15);

        // Allowed, 0x40 is read and named; at 0x48 the candidates' ID registers are not
        // acknowledged, which rules them out without a red row.
        QVERIFY(allowAnyByte(0x40).contains(u"Identify would send 0xFE, a reset command of SHT2x"_s));
        allowAnyByte(0x48);
        QVERIFY(cell(0x40)->toolTip().endsWith(u"\nIdentify may send any byte here."_s));
        const QList<QStringList> rows = identifyRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).at(0), u"Write/Read 0x40 [FE]"_s);
        QCOMPARE(rows.at(1).at(0), u"Write/Read 0x40 [FF]"_s);
        QCOMPARE(rows.at(2), (QStringList{u"Identify"_s, QString(),
                                          u"0x40 INA226; 2 ID reads not acknowledged (those "
                                          u"candidates ruled out)"_s}));
        QCOMPARE(cell(0x40)->text(), u"0x40\nINA226"_s);
        QVERIFY(cell(0x48)->toolTip().contains(u"  TMP117: ruled out\n  INA226: ruled out"_s));
        QVERIFY(!addToProjects(0x48).contains(u"ruled out"_s));

        QCOMPARE(addToProjects(0x40), u"INA226 (power monitor), confirmed"_s);
        CI2cDeviceFile added;
        QVERIFY(added.Load(QDir(m_folder->path()).filePath(u"ina226.i2cdev"_s)));
        QCOMPARE(added.GetAddress(), 0x40);
        QVERIFY(added.GetRegisters().has_value());
        QVERIFY(cell(0x40)->toolTip().startsWith(u"Project device: INA226\n"_s));
        QCOMPARE(Child<QTreeView>(*m_window, u"tree_projects"_s)->currentIndex().data().toString(),
                 u"INA226"_s);

        // The same part again gets a file and a device name of its own.
        addToProjects(0x40);
        CI2cDeviceFile second;
        QVERIFY(second.Load(QDir(m_folder->path()).filePath(u"ina226_0x40.i2cdev"_s)));
        QCOMPARE(second.GetName(), u"INA226 (0x40)"_s);

        // The registers of the project device, read at its address.
        Q_EMIT panel()->showRegistersRequested(0x40);
        auto *registers = m_window->findChild<RegistersPanel *>();
        QVERIFY(!Child<QDockWidget>(*m_window, u"dock_registers"_s)->isHidden());
        QCOMPARE(registers->map().registers.size(), qsizetype(10));
    }

    // A part only the library knows opens at the address it was found at.
    void registersOfLibraryPart()
    {
        Child<QAbstractButton>(*m_window, u"btn_scan"_s)->click();
        QStringList offered;
        m_watcher->onDialog = [&offered](QDialog *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            offered = input->comboBoxItems();
            input->setTextValue(u"LM75A (temperature)"_s);
            input->accept();
        };
        Q_EMIT panel()->showRegistersRequested(0x48);
        m_watcher->onDialog = {};
        // Only the candidates with a register map are offered.
        QVERIFY(offered.contains(u"TMP102 (temperature)"_s));
        QVERIFY(!offered.contains(u"PCF8591 (ADC and DAC)"_s));
        auto *registers = m_window->findChild<RegistersPanel *>();
        QCOMPARE(registers->map().registers.front().name, u"TEMP"_s);
        Child<QAbstractButton>(*m_window, u"btn_registers_read_all"_s)->click();
        QVERIFY2(lastRow().at(0).startsWith(u"Write/Read 0x48"_s), qPrintable(lastRow().at(0)));
    }
};

VTL_TEST_MAIN(TestScanDock)
#include "tst_scandock.moc"
