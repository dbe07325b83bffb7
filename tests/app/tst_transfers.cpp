// SPDX-License-Identifier: MIT
#include "AppTestSupport.h"
#include "CSimPresetBench.h"
#include "CSimSlave.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

// Takes every byte and answers reads with a counter, so the test sees what reached the
// bus, transaction by transaction.
class CRecordingSlave : public CSimSlave
{
public:
    QStringList events;
    unsigned char nextRead = 0x10;

    bool OnStart(bool read) override
    {
        events << (read ? u"start read"_s : u"start write"_s);
        return true;
    }
    bool OnWrite(std::uint8_t byte) override
    {
        events << u"%1"_s.arg(byte, 2, 16, QChar(u'0')).toUpper();
        return true;
    }
    std::uint8_t OnRead() override { return nextRead++; }
    void OnStop() override { events << u"stop"_s; }
};

} // namespace

class TestTransfers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void writeModes_data();
    void writeModes();
    void startThenStopIsOneTransaction();
    void addressOnlyWriteOnModelB();
    void nackedWriteIsAnErrorRow();
    void writeRefusesInput_data();
    void writeRefusesInput();
    void returnInWriteFieldWrites();
    void returnInReadCountReads();
    void busShortcuts();
    void readAddressNotations_data();
    void readAddressNotations();
    void readRows_data();
    void readRows();
    void readRefusesAddress_data();
    void readRefusesAddress();
    void notationSwitchRewritesAddresses();
    void searchFindsSlaves_data();
    void searchFindsSlaves();
    void searchKeepsTypedAddress_data();
    void searchKeepsTypedAddress();
    void searchOnEmptyBus();
    void transfersNeedConnection();

private:
    std::shared_ptr<CSimAdapter> attach(ESimModel model);
    void setAddress(const QString &text) { address()->setEditText(text); }
    QComboBox *address() const { return Child<QComboBox>(*m_window, u"cmb_i2c_device"_s); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }
    void write(int mode, const QString &bytes);

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CRecordingSlave> m_slave;
};

void TestTransfers::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestTransfers::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
}

void TestTransfers::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    m_adapter.reset();
    m_slave.reset();
    CSimBus::Instance().Reset();
}

// A connected adapter of the model with the recording slave at 0x50; the reports of
// the connect are cleared.
std::shared_ptr<CSimAdapter> TestTransfers::attach(ESimModel model)
{
    m_adapter = CSimBus::Instance().Attach(model, L"T-1");
    m_slave = m_adapter->AddSlave(0x50, std::make_shared<CRecordingSlave>());
    const QString name = model == ESimModel::A ? u"A"_s : model == ESimModel::B ? u"B"_s : u"C"_s;
    if (!ConnectWindow(*m_window, *m_watcher, u"Vantrel%1  SN T-1"_s.arg(name)))
        qWarning("connect failed");
    m_adapter->ClearReports();
    return m_adapter;
}

void TestTransfers::write(int mode, const QString &bytes)
{
    Child<QComboBox>(*m_window, u"cmb_startstop"_s)->setCurrentIndex(mode);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(bytes);
    Child<QAbstractButton>(*m_window, u"btn_write"_s)->click();
}

void TestTransfers::writeModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QStringList>("bus");

    QTest::newRow("Auto") << 0 << u"01 A5 FF"_s << QStringList({u"02 C4 A0 01 A5 FF"_s})
                          << QStringList({u"Write 0x50"_s, u"0x00"_s, u"01 A5 FF"_s}) << false
                          << QStringList({u"start write"_s, u"01"_s, u"A5"_s, u"FF"_s, u"stop"_s});
    QTest::newRow("Generate Start")
        << 1 << u"01 A5 FF"_s << QStringList({u"02 84 A0 01 A5 FF"_s})
        << QStringList({u"Write 0x50 [Generate Start]"_s, u"0x00"_s, u"01 A5 FF"_s}) << false
        << QStringList({u"start write"_s, u"01"_s, u"A5"_s, u"FF"_s});
    // Without an open transaction the adapter refuses data without a start.
    QTest::newRow("Generate Stop")
        << 2 << u"01 A5 FF"_s << QStringList({u"02 43 01 A5 FF"_s})
        << QStringList({u"Write [Generate Stop]"_s, u"0x80  no start"_s, u"01 A5 FF"_s}) << true
        << QStringList();
    QTest::newRow("None") << 3 << u"0x01,0xA5;0xFF"_s << QStringList({u"02 03 01 A5 FF"_s})
                          << QStringList({u"Write [None]"_s, u"0x80  no start"_s, u"01 A5 FF"_s})
                          << true << QStringList();
    QTest::newRow("Auto, address only") << 0 << QString() << QStringList({u"02 C1 A0"_s})
                                        << QStringList({u"Write 0x50"_s, u"0x00"_s, QString()})
                                        << false << QStringList({u"start write"_s, u"stop"_s});
}

void TestTransfers::writeModes()
{
    QFETCH(int, mode);
    QFETCH(QString, input);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, row);
    QFETCH(bool, error);
    QFETCH(QStringList, bus);
    attach(ESimModel::A);
    setAddress(u"0x50"_s);

    write(mode, input);
    QCOMPARE(ReportLines(m_adapter), reports);
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(RowTexts(*table(), 0), row);
    const QColor expected = error ? QColor(0xF4, 0x43, 0x36) : QColor();
    for (int column = 0; column < 3; ++column) {
        const QBrush brush = table()->item(0, column)->foreground();
        QCOMPARE(brush.style() != Qt::NoBrush, error);
        if (error)
            QCOMPARE(brush.color(), expected);
    }
    QCOMPARE(m_slave->events, bus);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestTransfers::startThenStopIsOneTransaction()
{
    attach(ESimModel::C);
    setAddress(u"50"_s);
    write(1, u"01"_s);
    write(3, u"02"_s);
    write(2, u"03"_s);
    QCOMPARE(ReportLines(m_adapter), QStringList({u"02 82 A0 01"_s, u"02 01 02"_s, u"02 41 03"_s}));
    QCOMPARE(m_slave->events,
             QStringList({u"start write"_s, u"01"_s, u"02"_s, u"03"_s, u"stop"_s}));
    QCOMPARE(RowTexts(*table(), 1), QStringList({u"Write [None]"_s, u"0x00"_s, u"02"_s}));
    QCOMPARE(RowTexts(*table(), 2), QStringList({u"Write [Generate Stop]"_s, u"0x00"_s, u"03"_s}));
}

void TestTransfers::addressOnlyWriteOnModelB()
{
    attach(ESimModel::B);
    setAddress(u"0x50"_s);
    write(0, QString());
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(
        RowTexts(*table(), 0),
        QStringList({u"Write 0x50"_s,
                     u"0x00  Address-only write is not supported by the VantrelB"_s, QString()}));
    QCOMPARE(table()->item(0, 0)->foreground().color(), QColor(0xF4, 0x43, 0x36));
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestTransfers::nackedWriteIsAnErrorRow()
{
    attach(ESimModel::A);
    setAddress(u"0x51"_s);
    write(0, u"01 02"_s);
    QCOMPARE(ReportLines(m_adapter), QStringList({u"02 C3 A2 01 02"_s}));
    QCOMPARE(RowTexts(*table(), 0), QStringList({u"Write 0x51"_s, u"0x80  NACK"_s, u"01 02"_s}));
    QCOMPARE(table()->item(0, 2)->foreground().color(), QColor(0xF4, 0x43, 0x36));
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestTransfers::writeRefusesInput_data()
{
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("addressText");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("message");
    // The piece of the input the message names, selected in the field.
    QTest::addColumn<QString>("selected");
    const QString invalidInput = u"Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
    const QString badToken =
        u"Invalid input: \"%1\" at position %2 is no hex byte. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
    const QString invalidAddress =
        u"Invalid I2C address. Enter a hex address in the selected format, e.g. \"%1\"."_s;
    QTest::newRow("stop without data")
        << false << 2 << u"0x50"_s << QString() << invalidInput << QString();
    QTest::newRow("none without data")
        << false << 3 << QString() << u"  "_s << invalidInput << QString();
    QTest::newRow("not hex") << false << 0 << u"0x50"_s << u"01 zz"_s
                             << badToken.arg(u"zz"_s).arg(4) << u"zz"_s;
    QTest::newRow("odd digit count after separators")
        << false << 0 << u"0x50"_s << u"01,A5;1FF 02"_s << badToken.arg(u"1FF"_s).arg(7)
        << u"1FF"_s;
    QTest::newRow("bare 0x") << false << 3 << QString() << u"0x1 0x"_s
                             << badToken.arg(u"0x"_s).arg(5) << u"0x"_s;
    QTest::newRow("first of two bad") << false << 0 << u"0x50"_s << u" 0xZZ 0xYY"_s
                                      << badToken.arg(u"0xZZ"_s).arg(2) << u"0xZZ"_s;
    QTest::newRow("7-bit 80") << false << 0 << u"80"_s << u"01"_s << invalidAddress.arg(u"0x50"_s)
                              << QString();
    QTest::newRow("8-bit 1FF") << true << 1 << u"1FF"_s << u"01"_s << invalidAddress.arg(u"0xA0"_s)
                               << QString();
    QTest::newRow("empty address")
        << false << 0 << QString() << u"01"_s << invalidAddress.arg(u"0x50"_s) << QString();
}

void TestTransfers::writeRefusesInput()
{
    QFETCH(bool, eightBit);
    QFETCH(int, mode);
    QFETCH(QString, addressText);
    QFETCH(QString, input);
    QFETCH(QString, message);
    QFETCH(QString, selected);
    attach(ESimModel::A);
    ActionOf(*m_window, eightBit ? "actionAddress8Bit" : "actionAddress7Bit")->trigger();
    setAddress(addressText);

    write(mode, input);
    QCOMPARE(Child<QLineEdit>(*m_window, u"edit_write"_s)->selectedText(), selected);
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].title, u"Write"_s);
    QCOMPARE(m_watcher->boxes[0].text, message);
    QCOMPARE(m_watcher->boxes[0].icon, QMessageBox::Warning);
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(table()->rowCount(), 0);
}

void TestTransfers::returnInWriteFieldWrites()
{
    attach(ESimModel::A);
    setAddress(u"0x50"_s);
    auto *edit = Child<QLineEdit>(*m_window, u"edit_write"_s);
    edit->setText(u"01 A5 FF"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    Child<QAbstractButton>(*m_window, u"btn_write"_s)->click();

    QCOMPARE(ReportLines(m_adapter), QStringList({u"02 C4 A0 01 A5 FF"_s, u"02 C4 A0 01 A5 FF"_s}));
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(RowTexts(*table(), 0), RowTexts(*table(), 1));
}

void TestTransfers::returnInReadCountReads()
{
    attach(ESimModel::A);
    setAddress(u"0x50"_s);
    auto *count = Child<QSpinBox>(*m_window, u"spin_read"_s);
    count->setValue(1);
    // A count typed and not yet taken over by the box is read as typed.
    count->selectAll();
    QTest::keyClicks(count, u"3"_s);
    QTest::keyClick(count, Qt::Key_Return);
    QTest::keyClick(count, Qt::Key_Enter, Qt::KeypadModifier);

    QCOMPARE(ReportLines(m_adapter), QStringList({u"03 03 A1"_s, u"03 03 A1"_s}));
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(count->value(), 3);
    // Other keys keep their meaning in the box.
    QTest::keyClick(count, Qt::Key_Up);
    QCOMPARE(count->value(), 4);
    QCOMPARE(table()->rowCount(), 2);
}

// The Bus menu's shortcuts act from anywhere in the window.
void TestTransfers::busShortcuts()
{
    m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"T-1");
    m_slave = m_adapter->AddSlave(0x50, std::make_shared<CRecordingSlave>());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    auto *edit = Child<QLineEdit>(*m_window, u"edit_write"_s);
    edit->setFocus();

    m_watcher->onDialog = ChooseDevice(u"VantrelA  SN T-1"_s);
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(ActionOf(*m_window, "actionDisconnect")->isEnabled());
    // The offscreen platform does not hand the activation back after the adapter dialog.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(edit, Qt::Key_F5);
    QCOMPARE(RowTexts(*table(), 0), (QStringList{u"Search"_s, QString(), u"0x50"_s}));
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(ActionOf(*m_window, "actionConnect")->isEnabled());
    QCOMPARE(m_watcher->dialogs, 1);
}

void TestTransfers::readAddressNotations_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("type");
    QTest::newRow("A1") << u"A1"_s << u"Read 0xA0"_s;
    QTest::newRow("0xa0") << u"0xa0"_s << u"Read 0xA0"_s;
    QTest::newRow("0XA0 with blanks") << u" 0XA0  "_s << u"Read 0xA0"_s;
    QTest::newRow("a0") << u"a0"_s << u"Read 0xA0"_s;
}

void TestTransfers::readAddressNotations()
{
    QFETCH(QString, typed);
    QFETCH(QString, type);
    attach(ESimModel::A);
    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    setAddress(typed);
    QMetaObject::invokeMethod(m_window.get(), "onRead");
    // Model A's read request: count low byte, address byte with the read bit, count high.
    QCOMPARE(ReportLines(m_adapter), QStringList({u"03 01 A1"_s}));
    QCOMPARE(RowTexts(*table(), 0), QStringList({type, u"0x01"_s, u"10"_s}));
}

void TestTransfers::readRows_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("addressText");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<bool>("error");
    QTest::newRow("four bytes") << int(ESimModel::A) << u"0x50"_s << 4
                                << QStringList({u"03 04 A1"_s})
                                << QStringList({u"Read 0x50"_s, u"0x04"_s, u"10 11 12 13"_s})
                                << false;
    QTest::newRow("no slave") << int(ESimModel::A) << u"0x51"_s << 2 << QStringList({u"03 02 A3"_s})
                              << QStringList({u"Read 0x51"_s, u"0x80  NACK received"_s, QString()})
                              << true;
    QTest::newRow("too many for model B")
        << int(ESimModel::B) << u"0x50"_s << 257 << QStringList()
        << QStringList({u"Read 0x50"_s,
                        u"0x00  Invalid read count, this device reads 1..256 bytes"_s, QString()})
        << true;
    QTest::newRow("256 on model B") << int(ESimModel::B) << u"0x50"_s << 256
                                    << QStringList({u"03 00 A1"_s}) << QStringList() << false;
}

void TestTransfers::readRows()
{
    QFETCH(int, model);
    QFETCH(QString, addressText);
    QFETCH(int, count);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, row);
    QFETCH(bool, error);
    attach(ESimModel(model));
    setAddress(addressText);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(count);
    Child<QAbstractButton>(*m_window, u"btn_read"_s)->click();

    QCOMPARE(ReportLines(m_adapter), reports);
    QCOMPARE(table()->rowCount(), 1);
    if (!row.isEmpty())
        QCOMPARE(RowTexts(*table(), 0), row);
    QCOMPARE(table()->item(0, 1)->foreground().style() != Qt::NoBrush, error);
    const QByteArray bytes = table()->item(0, 2)->data(Qt::UserRole).toByteArray();
    QCOMPARE(bytes.size(), error ? 0 : count);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestTransfers::readRefusesAddress_data()
{
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("example");
    QTest::newRow("7-bit 80") << false << u"80"_s << u"0x50"_s;
    QTest::newRow("8-bit 0x100") << true << u"0x100"_s << u"0xA0"_s;
    QTest::newRow("text") << false << u"eeprom"_s << u"0x50"_s;
}

void TestTransfers::readRefusesAddress()
{
    QFETCH(bool, eightBit);
    QFETCH(QString, typed);
    QFETCH(QString, example);
    attach(ESimModel::A);
    if (eightBit)
        ActionOf(*m_window, "actionAddress8Bit")->trigger();
    setAddress(typed);
    QMetaObject::invokeMethod(m_window.get(), "onRead");
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].title, u"Read"_s);
    QCOMPARE(m_watcher->boxes[0].text,
             u"Invalid I2C address. Enter a hex address in the selected format, e.g. \"%1\"."_s.arg(
                 example));
    QVERIFY(ReportLines(m_adapter).isEmpty());
    QCOMPARE(table()->rowCount(), 0);
}

void TestTransfers::notationSwitchRewritesAddresses()
{
    QComboBox *box = address();
    box->addItems({u"0x50"_s, u"0x68"_s, u"label"_s});
    setAddress(u"50"_s);

    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    QCOMPARE(box->itemText(0), u"0xA0"_s);
    QCOMPARE(box->itemText(1), u"0xD0"_s);
    QCOMPARE(box->itemText(2), u"label"_s);
    QCOMPARE(box->currentText(), u"0xA0"_s);
    QCOMPARE(box->lineEdit()->placeholderText(), u"0xA0"_s);

    // A typed text that is no address stays, even over a renamed current entry.
    setAddress(u"zz"_s);
    ActionOf(*m_window, "actionAddress7Bit")->trigger();
    QCOMPARE(box->itemText(0), u"0x50"_s);
    QCOMPARE(box->itemText(1), u"0x68"_s);
    QCOMPARE(box->currentText(), u"zz"_s);
    QCOMPARE(box->lineEdit()->placeholderText(), u"0x50"_s);

    // Triggering the notation already in force changes nothing.
    setAddress(u"A1"_s);
    ActionOf(*m_window, "actionAddress7Bit")->trigger();
    QCOMPARE(box->currentText(), u"A1"_s);
}

void TestTransfers::searchFindsSlaves_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QString>("firstProbe");
    QTest::addColumn<QString>("lastProbe");
    QTest::newRow("A") << int(ESimModel::A) << false
                       << QStringList({u"0x23"_s, u"0x40"_s, u"0x48"_s, u"0x50"_s}) << u"02 C1 10"_s
                       << u"02 C1 EE"_s;
    QTest::newRow("A, 8-bit") << int(ESimModel::A) << true
                              << QStringList({u"0x46"_s, u"0x80"_s, u"0x90"_s, u"0xA0"_s})
                              << u"02 C1 10"_s << u"02 C1 EE"_s;
    // Model B probes with a one-byte read.
    QTest::newRow("B") << int(ESimModel::B) << false
                       << QStringList({u"0x23"_s, u"0x50"_s, u"0x53"_s, u"0x57"_s, u"0x68"_s})
                       << u"03 01 11"_s << u"03 01 EF"_s;
}

void TestTransfers::searchFindsSlaves()
{
    QFETCH(int, model);
    QFETCH(bool, eightBit);
    QFETCH(QStringList, found);
    QFETCH(QString, firstProbe);
    QFETCH(QString, lastProbe);
    const SSimPresetBench bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
    const auto adapter = ESimModel(model) == ESimModel::A ? bench.adapterA : bench.adapterB;
    const QString entry = ESimModel(model) == ESimModel::A ? u"VantrelA  SN SIM-A-0001"_s
                                                           : u"VantrelB  SN SIM-B-0002"_s;
    QVERIFY(ConnectWindow(*m_window, *m_watcher, entry));
    if (eightBit)
        ActionOf(*m_window, "actionAddress8Bit")->trigger();
    adapter->ClearReports();

    Child<QAbstractButton>(*m_window, u"btn_i2c_search"_s)->click();
    const QStringList reports = ReportLines(adapter);
    QCOMPARE(reports.size(), 0x77 - 0x08 + 1);
    QCOMPARE(reports.first(), firstProbe);
    QCOMPARE(reports.last(), lastProbe);
    QStringList items;
    for (int i = 0; i < address()->count(); ++i)
        items << address()->itemText(i);
    QCOMPARE(items, found);
    // Nothing was typed, so nothing becomes the target.
    QCOMPARE(address()->currentText(), QString());
    QCOMPARE(RowTexts(*table(), 0), QStringList({u"Search"_s, QString(), found.join(u", "_s)}));
    QVERIFY(!table()->item(0, 2)->data(Qt::UserRole).isValid());
    QCOMPARE(table()->item(0, 0)->foreground().style(), Qt::NoBrush);
}

void TestTransfers::searchKeepsTypedAddress_data()
{
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("written");
    // The bench answers at 0x23, 0x40, 0x48 and 0x50.
    QTest::newRow("50 without 0x") << false << u"50"_s << u"0x50"_s << 3 << u"Write 0x50"_s;
    QTest::newRow("0x048") << false << u"0x048"_s << u"0x48"_s << 2 << u"Write 0x48"_s;
    QTest::newRow("silent, lower case, blanks")
        << false << u" 0x4a "_s << u" 0x4a "_s << -1 << u"Write 0x4A"_s;
    QTest::newRow("8-bit a1, read form") << true << u"a1"_s << u"0xA0"_s << 3 << u"Write 0xA0"_s;
    QTest::newRow("silent address") << false << u"0x51"_s << u"0x51"_s << -1 << u"Write 0x51"_s;
    QTest::newRow("no address") << false << u"zz"_s << u"zz"_s << -1 << QString();
    QTest::newRow("nothing typed") << false << QString() << QString() << -1 << QString();
}

void TestTransfers::searchKeepsTypedAddress()
{
    QFETCH(bool, eightBit);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, index);
    QFETCH(QString, written);
    const SSimPresetBench bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN SIM-A-0001"_s));
    if (eightBit)
        ActionOf(*m_window, "actionAddress8Bit")->trigger();
    setAddress(typed);
    ActionOf(*m_window, "actionI2cSearch")->trigger();
    QCOMPARE(address()->count(), 4);
    QCOMPARE(address()->currentText(), shown);
    QCOMPARE(address()->currentIndex(), index);

    // The next write goes where the user typed, or is refused when that was no address.
    bench.adapterA->ClearReports();
    write(0, u"01"_s);
    QCOMPARE(ReportLines(bench.adapterA).size(), written.isEmpty() ? 0 : 1);
    QCOMPARE(table()->rowCount(), written.isEmpty() ? 1 : 2);
    if (!written.isEmpty())
        QCOMPARE(table()->item(1, 0)->text(), written);
}

void TestTransfers::searchOnEmptyBus()
{
    CSimBus::Instance().Attach(ESimModel::C, L"C-1");
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelC  SN C-1"_s));
    address()->addItems({u"0x50"_s});
    ActionOf(*m_window, "actionI2cSearch")->trigger();
    QCOMPARE(address()->count(), 0);
    // The address stays the user's target even though nothing answered.
    QCOMPARE(address()->currentText(), u"0x50"_s);
    QCOMPARE(address()->lineEdit()->placeholderText(), u"0x50"_s);
    QCOMPARE(RowTexts(*table(), 0), QStringList({u"Search"_s, QString(), u"No device found"_s}));
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestTransfers::transfersNeedConnection()
{
    setAddress(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"01"_s);
    // The buttons are disabled without an adapter, so the slots are called themselves; a
    // slot that no longer exists fails here instead of passing unseen.
    for (const char *slot : {"onWrite", "onRead", "onI2cSearch"})
        QVERIFY2(QMetaObject::invokeMethod(m_window.get(), slot), slot);
    QCOMPARE(table()->rowCount(), 0);
    QVERIFY(m_watcher->boxes.isEmpty());
}

VTL_TEST_MAIN(TestTransfers)
#include "tst_transfers.moc"
