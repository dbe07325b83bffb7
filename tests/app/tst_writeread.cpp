// SPDX-License-Identifier: MIT
// Write/Read in the window: the row of a register read on the simulated bus, a refused
// write part, a model's read limit and refused input, a read count included.
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QToolTip>

using namespace Qt::StringLiterals;

class TestWriteRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void cleanup();
    void rows_data();
    void rows();
    void refusedInput_data();
    void refusedInput();
    void countBeyondTheLargestIsRefusedVisibly();

private:
    void attach(ESimModel model);
    void writeRead(const QString &address, const QString &bytes, int count);
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    std::shared_ptr<CSimAdapter> m_adapter;
};

void TestWriteRead::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    m_adapter.reset();
    CSimBus::Instance().Reset();
}

void TestWriteRead::attach(ESimModel model)
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
    m_adapter = CSimBus::Instance().Attach(model, L"R-1");
    std::vector<unsigned char> contents(256);
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<unsigned char>(0xFF - i);
    m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>())->SetContents(0, contents);
    const QString name = model == ESimModel::A ? u"A"_s : model == ESimModel::B ? u"B"_s : u"C"_s;
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"Vantrel%1  SN R-1"_s.arg(name)));
    m_adapter->ClearReports();
}

void TestWriteRead::writeRead(const QString &address, const QString &bytes, int count)
{
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(address);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(bytes);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(count);
    Child<QAbstractButton>(*m_window, u"btn_write_read"_s)->click();
}

void TestWriteRead::rows_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<bool>("error");
    const int a = int(ESimModel::A);
    QTest::newRow("register read")
        << a << false << u"0x50"_s << u"10"_s << 4 << QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s}
        << QStringList{u"Write/Read 0x50 [10]"_s, u"0x04"_s, u"EF EE ED EC"_s} << false;
    QTest::newRow("8-bit notation")
        << a << true << u"A1"_s << u"0x7F"_s << 2 << QStringList{u"02 82 A0 7F"_s, u"03 02 A1"_s}
        << QStringList{u"Write/Read 0xA0 [7F]"_s, u"0x02"_s, u"80 7F"_s} << false;
    // A failed write part has its flags in the row and sends no read.
    QTest::newRow("write part refused")
        << int(ESimModel::C) << false << u"0x33"_s << u"10"_s << 4 << QStringList{u"02 82 66 10"_s}
        << QStringList{u"Write/Read 0x33 [10]"_s, u"0x80  NACK"_s, QString()} << true;
    QTest::newRow("model B's limit")
        << int(ESimModel::B) << false << u"0x50"_s << u"00"_s << 257 << QStringList()
        << QStringList{u"Write/Read 0x50 [00]"_s,
                       u"0x00  Invalid read count, this device reads 1..256 bytes"_s, QString()}
        << true;
}

void TestWriteRead::rows()
{
    QFETCH(int, model);
    QFETCH(bool, eightBit);
    QFETCH(QString, address);
    QFETCH(QString, bytes);
    QFETCH(int, count);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, row);
    QFETCH(bool, error);
    attach(static_cast<ESimModel>(model));
    if (eightBit)
        ActionOf(*m_window, "actionAddress8Bit")->trigger();
    auto *mode = Child<QComboBox>(*m_window, u"cmb_startstop"_s);
    mode->setCurrentIndex(2);

    writeRead(address, bytes, count);
    QCOMPARE(ReportLines(m_adapter), reports);
    QCOMPARE(RowTexts(*table(), 0).mid(0, 3), row);
    QCOMPARE(table()->item(0, 0)->foreground().style() != Qt::NoBrush, error);
    // The start/stop box is not the write/read's business, and no transaction stays open.
    QCOMPARE(mode->currentIndex(), 2);
    QVERIFY(!m_adapter->IsTransactionOpen());
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestWriteRead::refusedInput_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("count"); // typed over the count 4
    QTest::addColumn<QString>("message");
    const QString invalidInput = u"Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
    QTest::newRow("no bytes") << u"0x50"_s << u" ,; "_s << QString() << invalidInput;
    QTest::newRow("not hex")
        << u"0x50"_s << u"1G"_s << QString()
        << u"Invalid input: \"1G\" at position 1 is no hex byte. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
    QTest::newRow("address beyond 7 bits")
        << u"0x80"_s << u"10"_s << QString()
        << u"Invalid I2C address. Enter a hex address in the selected format, e.g. \"0x50\"."_s;
    // The spin box keeps its last value under a text it cannot take.
    QTest::newRow("count 0") << u"0x50"_s << u"10"_s << u"0"_s
                             << u"Invalid read count \"0\". Enter a count from 1 to 65535."_s;
}

void TestWriteRead::refusedInput()
{
    QFETCH(QString, address);
    QFETCH(QString, bytes);
    QFETCH(QString, count);
    QFETCH(QString, message);
    attach(ESimModel::A);
    auto *spin = Child<QSpinBox>(*m_window, u"spin_read"_s);
    spin->setValue(4);
    if (!count.isNull()) {
        spin->selectAll();
        QTest::keyClicks(spin, count);
    }
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(address);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(bytes);
    Child<QAbstractButton>(*m_window, u"btn_write_read"_s)->click();
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(table()->rowCount(), 0);
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes.at(0).title, u"Write/Read"_s);
    QCOMPARE(m_watcher->boxes.at(0).text, message);
}

void TestWriteRead::countBeyondTheLargestIsRefusedVisibly()
{
    attach(ESimModel::A);
    auto *spin = Child<QSpinBox>(*m_window, u"spin_read"_s);
    spin->selectAll();
    QTest::keyClicks(spin, u"70000"_s);
    QCOMPARE(spin->text(), u"7000"_s);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), u"The read count is 1 to 65535 bytes."_s);
}

VTL_TEST_MAIN(TestWriteRead)
#include "tst_writeread.moc"
