// SPDX-License-Identifier: MIT
// Write/Read in the window: one register read on the simulated bus, the bytes on the
// wire, the row texts, a refused write part, a model's read limit and refused input.
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

const QString ERROR_COLOR = u"#f44336"_s;

} // namespace

class TestWriteRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();

    void registerReadInOneStep_data();
    void registerReadInOneStep();
    void refusedWritePartSendsNoRead();
    void modelBReadLimit();
    void refusedInput_data();
    void refusedInput();
    void shortcutAndButtonFollowTheConnection();

private:
    void attach(ESimModel model);
    void writeRead(const QString &address, const QString &bytes, int count);
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimEeprom> m_eeprom;
};

void TestWriteRead::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
}

void TestWriteRead::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    m_eeprom.reset();
    m_adapter.reset();
    CSimBus::Instance().Reset();
}

void TestWriteRead::attach(ESimModel model)
{
    m_adapter = CSimBus::Instance().Attach(model, L"R-1");
    m_eeprom = m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
    std::vector<unsigned char> contents(256);
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<unsigned char>(0xFF - i);
    m_eeprom->SetContents(0, contents);
    const QString name = model == ESimModel::A ? u"A"_s : model == ESimModel::B ? u"B"_s : u"C"_s;
    const QString entry = u"Vantrel%1  SN R-1"_s.arg(name);
    QVERIFY(ConnectWindow(*m_window, *m_watcher, entry));
    m_adapter->ClearReports();
}

void TestWriteRead::writeRead(const QString &address, const QString &bytes, int count)
{
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(address);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(bytes);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(count);
    Child<QAbstractButton>(*m_window, u"btn_write_read"_s)->click();
}

void TestWriteRead::registerReadInOneStep_data()
{
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("row");

    QTest::newRow("one register byte")
        << false << u"0x50"_s << u"10"_s << 4 << QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s}
        << QStringList{u"Write/Read 0x50 [10]"_s, u"0x04"_s, u"EF EE ED EC"_s};
    QTest::newRow("8-bit notation")
        << true << u"A1"_s << u"0x7F"_s << 2 << QStringList{u"02 82 A0 7F"_s, u"03 02 A1"_s}
        << QStringList{u"Write/Read 0xA0 [7F]"_s, u"0x02"_s, u"80 7F"_s};
    // 300 bytes come in five replies; the row shows them as hex lines with offsets.
    QTest::newRow("long read") << false << u"50"_s << u"00"_s << 300
                               << QStringList{u"02 82 A0"_s, u"03 2C A1 01"_s}
                               << QStringList{u"Write/Read 0x50 [00]"_s, u"0x34"_s, QString()};
}

void TestWriteRead::registerReadInOneStep()
{
    QFETCH(bool, eightBit);
    QFETCH(QString, address);
    QFETCH(QString, bytes);
    QFETCH(int, count);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, row);
    attach(ESimModel::A);
    if (eightBit)
        ActionOf(*m_window, "actionAddress8Bit")->trigger();
    auto *mode = Child<QComboBox>(*m_window, u"cmb_startstop"_s);
    mode->setCurrentIndex(2);

    writeRead(address, bytes, count);
    QCOMPARE(ReportLines(m_adapter), reports);
    QCOMPARE(table()->rowCount(), 1);
    const QStringList texts = RowTexts(*table(), 0);
    QCOMPARE(texts.at(0), row.at(0));
    QCOMPARE(texts.at(1), row.at(1));
    const QByteArray data = table()->item(0, 2)->data(Qt::UserRole).toByteArray();
    QCOMPARE(data.size(), count);
    if (!row.at(2).isEmpty())
        QCOMPARE(texts.at(2), row.at(2));
    const auto first = static_cast<unsigned char>(QByteArray::fromHex(bytes.toLatin1()).back());
    for (int i = 0; i < count; ++i)
        QCOMPARE(static_cast<unsigned char>(data[i]),
                 static_cast<unsigned char>(0xFF - ((first + i) & 0xFF)));
    QVERIFY(table()->item(0, 0)->foreground().style() == Qt::NoBrush);
    // The start/stop box is not the write/read's business.
    QCOMPARE(mode->currentIndex(), 2);
    QVERIFY(!m_adapter->IsTransactionOpen());
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestWriteRead::refusedWritePartSendsNoRead()
{
    attach(ESimModel::C);
    writeRead(u"0x33"_s, u"10"_s, 4);
    QCOMPARE(ReportLines(m_adapter), QStringList{u"02 82 66 10"_s});
    QCOMPARE(RowTexts(*table(), 0),
             (QStringList{u"Write/Read 0x33 [10]"_s, u"0x80  NACK"_s, QString()}));
    QCOMPARE(table()->item(0, 1)->foreground().color().name(), ERROR_COLOR);
}

void TestWriteRead::modelBReadLimit()
{
    attach(ESimModel::B);
    writeRead(u"0x50"_s, u"00"_s, 256);
    QCOMPARE(ReportLines(m_adapter), (QStringList{u"02 82 A0"_s, u"03 00 A1"_s}));
    QCOMPARE(table()->item(0, 2)->data(Qt::UserRole).toByteArray().size(), 256);

    m_adapter->ClearReports();
    writeRead(u"0x50"_s, u"00"_s, 257);
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(
        RowTexts(*table(), 1),
        (QStringList{u"Write/Read 0x50 [00]"_s,
                     u"0x00  Invalid read count, this device reads 1..256 bytes"_s, QString()}));
    QCOMPARE(table()->item(1, 0)->foreground().color().name(), ERROR_COLOR);
}

void TestWriteRead::refusedInput_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("message");
    const QString invalidInput = u"Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
    QTest::newRow("no bytes") << u"0x50"_s << QString() << invalidInput;
    QTest::newRow("only separators") << u"0x50"_s << u" ,; "_s << invalidInput;
    QTest::newRow("not hex") << u"0x50"_s << u"1G"_s << invalidInput;
    QTest::newRow("address beyond 7 bits")
        << u"0x80"_s << u"10"_s
        << u"Invalid I2C address. Enter a hex address in the selected format, e.g. \"0x50\"."_s;
    QTest::newRow("empty address")
        << QString() << u"10"_s
        << u"Invalid I2C address. Enter a hex address in the selected format, e.g. \"0x50\"."_s;
}

void TestWriteRead::refusedInput()
{
    QFETCH(QString, address);
    QFETCH(QString, bytes);
    QFETCH(QString, message);
    attach(ESimModel::A);
    writeRead(address, bytes, 4);
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(table()->rowCount(), 0);
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes.at(0).title, u"Write/Read"_s);
    QCOMPARE(m_watcher->boxes.at(0).text, message);
    QCOMPARE(m_watcher->boxes.at(0).icon, QMessageBox::Warning);
}

void TestWriteRead::shortcutAndButtonFollowTheConnection()
{
    QAction *action = ActionOf(*m_window, "actionWriteRead");
    auto *button = Child<QAbstractButton>(*m_window, u"btn_write_read"_s);
    QCOMPARE(action->shortcut(), QKeySequence(u"Ctrl+Shift+Return"_s));
    QVERIFY(!action->isEnabled());
    QVERIFY(!button->isEnabled());
    attach(ESimModel::A);
    QVERIFY(action->isEnabled());
    QVERIFY(button->isEnabled());

    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"01"_s);
    QTest::keyClick(m_window.get(), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(RowTexts(*table(), 0).at(0), u"Write/Read 0x50 [01]"_s);

    ActionOf(*m_window, "actionDisconnect")->trigger();
    QVERIFY(!action->isEnabled());
    QVERIFY(!button->isEnabled());
}

VTL_TEST_MAIN(TestWriteRead)
#include "tst_writeread.moc"
