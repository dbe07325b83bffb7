// SPDX-License-Identifier: MIT
// Long transactions on the worker thread, seen from the window: the event loop keeps
// running, the progress dialog appears with its text, Cancel, an unplug and closing the
// window in the middle of a transfer.
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QProgressDialog>
#include <QSettings>
#include <QSpinBox>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
const QString ERROR_COLOR = u"#f44336"_s;

// The EEPROM as filled by the tests: byte n holds n * 7 + 3.
std::vector<unsigned char> Pattern()
{
    std::vector<unsigned char> bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    return bytes;
}

} // namespace

class TestLongTransfers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();

    void longReadKeepsTheWindowAliveAndCancels();
    void interruptedRead_data();
    void interruptedRead();
    void searchCancelledHalfWay();

private:
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }
    QProgressDialog *progress() const
    {
        return m_window->findChild<QProgressDialog *>(u"progress_transfer"_s);
    }
    void connectAdapter(std::chrono::milliseconds framePeriod);
    void startRead(int count);
    // Runs `action` once, the first time the progress dialog is visible, while the
    // window waits for the transaction.
    void whenProgressShows(std::function<void(QProgressDialog *)> action);

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    std::shared_ptr<CSimAdapter> m_adapter;
    QTimer m_poll;
};

void TestLongTransfers::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_watcher = std::make_unique<CModalWatcher>();
    m_watcher->isConnected = [this] {
        return ActionOf(*m_window, "actionDisconnect")->isEnabled();
    };
}

void TestLongTransfers::cleanup()
{
    m_poll.stop();
    m_poll.disconnect();
    m_watcher.reset();
    m_window.reset();
    m_adapter.reset();
    CSimBus::Instance().Reset();
}

void TestLongTransfers::connectAdapter(std::chrono::milliseconds framePeriod)
{
    m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"W-1");
    auto eeprom = m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    eeprom->SetContents(0, Pattern());
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN W-1"_s));
    m_adapter->SetFramePeriod(framePeriod);
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    // The progress dialog is left to the test; any other dialog is accepted.
    m_watcher->onDialog = [](QDialog *dialog) {
        if (qobject_cast<QProgressDialog *>(dialog) == nullptr)
            dialog->accept();
    };
}

void TestLongTransfers::startRead(int count)
{
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(count);
    Child<QAbstractButton>(*m_window, u"btn_read"_s)->click();
}

void TestLongTransfers::whenProgressShows(std::function<void(QProgressDialog *)> action)
{
    m_poll.setInterval(5);
    connect(&m_poll, &QTimer::timeout, this, [this, action, done = false]() mutable {
        QProgressDialog *dialog = progress();
        if (done || dialog == nullptr || !dialog->isVisible())
            return;
        done = true;
        action(dialog);
    });
    m_poll.start();
}

void TestLongTransfers::longReadKeepsTheWindowAliveAndCancels()
{
    connectAdapter(std::chrono::milliseconds(1));
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start();

    QString shownText;
    int ticksWhenShown = -1;
    QStringList enabledMeanwhile;
    whenProgressShows([&](QProgressDialog *dialog) {
        shownText = dialog->labelText();
        ticksWhenShown = ticks;
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        for (const char *name : {"actionConnect", "actionDisconnect", "actionI2cSearch",
                                 "actionSpeed400k", "actionPullUps", "actionProjects_Folder"}) {
            if (ActionOf(*m_window, name)->isEnabled())
                enabledMeanwhile << QString::fromLatin1(name);
        }
        for (const QString &name : {u"btn_read"_s, u"btn_write"_s, u"btn_i2c_search"_s,
                                    u"tbtn_write_save"_s, u"tbtn_read_save"_s}) {
            if (Child<QWidget>(*m_window, name)->isEnabled())
                enabledMeanwhile << name;
        }
        if (Child<QWidget>(*m_window, u"dockWidgetContents"_s)->isEnabled())
            enabledMeanwhile << u"projects panel"_s;
        // The user presses Cancel.
        auto *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel != nullptr);
        cancel->click();
    });
    startRead(65535);
    ticker.stop();

    QCOMPARE(shownText, u"Reading 65535 bytes from 0x50..."_s);
    // The event loop kept turning during the wait: far more than a handful of turns.
    QVERIFY2(ticksWhenShown > 20, qPrintable(QString::number(ticksWhenShown)));
    QCOMPARE(enabledMeanwhile, QStringList());

    QCOMPARE(table()->rowCount(), 1);
    const QStringList row = RowTexts(*table(), 0);
    QCOMPARE(row.at(0), u"Read 0x50"_s);
    QVERIFY2(row.at(1).startsWith(u"0x"_s) && row.at(1).endsWith(u"  Cancelled"_s),
             qPrintable(row.at(1)));
    QCOMPARE(table()->item(0, 1)->foreground().color().name(), ERROR_COLOR);
    // The bytes that arrived before the cancel, from the EEPROM's start.
    const QByteArray partial = table()->item(0, 2)->data(Qt::UserRole).toByteArray();
    QVERIFY(!partial.isEmpty() && partial.size() < 65535);
    QCOMPARE(partial.first(4), QByteArray::fromHex("03 0A 11 18"));
    QVERIFY(m_watcher->boxes.isEmpty());
    QVERIFY(Child<QWidget>(*m_window, u"dockWidgetContents"_s)->isEnabled());
}

// An unplug ends the read with one loss message and no row; closing the window cancels
// the read, waits for the worker and takes the driver with it.
void TestLongTransfers::interruptedRead_data()
{
    QTest::addColumn<bool>("unplug");
    QTest::newRow("unplug") << true;
    QTest::newRow("close") << false;
}

void TestLongTransfers::interruptedRead()
{
    QFETCH(bool, unplug);
    connectAdapter(std::chrono::milliseconds(1));
    whenProgressShows([this, unplug](QProgressDialog *) {
        if (unplug)
            m_adapter->Unplug();
        else
            m_window->close();
    });
    startRead(65535);
    if (!unplug) {
        QVERIFY(!m_window->isVisible());
        m_window.reset();
        QVERIFY(!m_adapter->IsI2cEnabled());
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);
        return;
    }
    QCOMPARE(table()->rowCount(), 0);
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes.at(0).text, u"Connection to the Vantrel was lost."_s);
    QVERIFY(!m_watcher->boxes.at(0).windowConnected);
    // The presence timer, held back during the read, finds nothing more to report.
    QTest::qWait(1200);
    QCOMPARE(m_watcher->boxes.size(), 1);
}

void TestLongTransfers::searchCancelledHalfWay()
{
    connectAdapter(std::chrono::milliseconds(10));
    m_adapter->AddSlave(0x10, std::make_shared<CSimEeprom>());
    m_adapter->AddSlave(0x70, std::make_shared<CSimEeprom>());
    QComboBox *address = Child<QComboBox>(*m_window, u"cmb_i2c_device"_s);
    address->addItems({u"0x11"_s, u"0x22"_s});
    address->setEditText(u"0x22"_s);
    m_adapter->ClearReports();

    QString shownText;
    whenProgressShows([&shownText](QProgressDialog *dialog) {
        shownText = dialog->labelText();
        dialog->findChild<QPushButton *>()->click();
    });
    ActionOf(*m_window, "actionI2cSearch")->trigger();

    QCOMPARE(shownText, u"Searching the bus..."_s);
    QCOMPARE(table()->rowCount(), 1);
    const QStringList row = RowTexts(*table(), 0);
    QCOMPARE(row.at(0), u"Search"_s);
    QCOMPARE(row.at(1), u"Cancelled"_s);
    // What was found before the cancel: the early address, not yet the late one.
    QCOMPARE(row.at(2), u"0x10"_s);
    QCOMPARE(table()->item(0, 0)->foreground().color().name(), ERROR_COLOR);
    QVERIFY(m_adapter->GetSpecialReports().size() < 112);
    // The address list of the last complete search stays.
    QCOMPARE(address->count(), 2);
    QCOMPARE(address->currentText(), u"0x22"_s);
}

VTL_TEST_MAIN(TestLongTransfers)
#include "tst_longtransfers.moc"
