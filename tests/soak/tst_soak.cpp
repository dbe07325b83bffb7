// SPDX-License-Identifier: MIT
// A long random session: the main window driven through its actions and slots by a
// seeded sequence of operations while the simulated adapters misbehave at random. After
// every operation the window must be consistent, a transaction that reached a present
// adapter must have left exactly one row and one that did not none, and every unplug of
// the connected adapter must be reported exactly once.
//
//   VTL_SOAK_OPS=20000      number of operations (default 20000)
//   VTL_SOAK_SEED=12345     repeat a run (default: a new seed, printed at the start)
// QtTest stops a test function after 5 minutes; a long run by hand lifts that with
// QTEST_FUNCTION_TIMEOUT (milliseconds), as CTest does for it.
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "NumberText.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSettings>
#include <QSpinBox>

#include <array>
#include <chrono>
#include <map>
#include <random>

using namespace Qt::StringLiterals;

namespace {

const QString LOSS_TEXT = u"Connection to the Vantrel was lost."_s;
// Longer than the worst single operation: a search whose probes all wait out a dropped
// reply is bounded by the drops armed, which the fault mix keeps to one at a time.
constexpr qint64 OPERATION_LIMIT_MS = 20000;

enum class EOperation
{
    Write,
    Read,
    WriteRead,
    Search,
    Speed,
    PullUps,
    Connect,
    Disconnect,
    ClearOutput,
    Notation,
    Fault,
    Idle,
};

// Names and weights of the operations, in the order above.
constexpr std::array<std::pair<const char *, int>, 12> OPERATIONS{{
    {"write", 26},
    {"read", 18},
    {"write/read", 14},
    {"search", 2},
    {"speed", 5},
    {"pull-ups", 3},
    {"connect", 6},
    {"disconnect", 3},
    {"clear", 3},
    {"notation", 3},
    {"fault", 14},
    {"idle", 3},
}};

const char *Name(EOperation operation)
{
    return OPERATIONS[std::size_t(operation)].first;
}

struct SCounts
{
    std::map<QString, int> operations;
    std::map<QString, int> faults;
    int rows = 0;
    int lossMessages = 0;
    int otherBoxes = 0;
    int unplugs = 0;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void soak();

private:
    void step(EOperation operation);
    void fault();
    void checkConsistent();
    bool connected() const { return ActionOf(*m_window, "actionDisconnect")->isEnabled(); }
    int rowCount() const { return m_table->rowCount(); }
    QString address();
    QString bytes(int maximum);
    void setAddress() { Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(address()); }
    void setData(const QString &data)
    {
        Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(data);
    }
    int pick(int count) { return int(m_random() % std::uint64_t(count)); }
    bool chance(int percent) { return pick(100) < percent; }
    void fail(const QString &what);

    std::mt19937_64 m_random;
    quint64 m_seed = 0;
    int m_index = 0;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    QTableWidget *m_table = nullptr;
    std::vector<std::shared_ptr<CSimAdapter>> m_adapters;
    std::shared_ptr<CSimAdapter> m_connected;
    // The connected adapter was unplugged and the window has not said so yet.
    bool m_lossPending = false;
    SCounts m_counts;
    bool m_failed = false;
};

void TestSoak::fail(const QString &what)
{
    if (m_failed)
        return;
    m_failed = true;
    QFAIL(qPrintable(u"seed %1, operation %2: %3"_s.arg(m_seed).arg(m_index).arg(what)));
}

QString TestSoak::address()
{
    static const std::array<unsigned char, 5> slaves{0x50, 0x51, 0x23, 0x33, 0x7F};
    return NumberText::Address(slaves[std::size_t(pick(int(slaves.size())))],
                               ActionOf(*m_window, "actionAddress8Bit")->isChecked());
}

QString TestSoak::bytes(int maximum)
{
    QStringList list;
    const int count = pick(maximum + 1);
    for (int i = 0; i < count; ++i)
        list << u"%1"_s.arg(pick(256), 2, 16, QChar(u'0'));
    return list.join(u' ');
}

void TestSoak::fault()
{
    auto adapter = m_adapters[std::size_t(pick(int(m_adapters.size())))];
    const int kind = pick(100);
    QString name;
    if (kind < 3) {
        // Rare: each costs a full reply time-out.
        adapter->DropReplies(1);
        name = u"dropped reply"_s;
    } else if (kind < 25) {
        std::vector<unsigned char> report(std::size_t(pick(65)));
        for (unsigned char &byte : report)
            byte = static_cast<unsigned char>(pick(256));
        if (!report.empty() && chance(50))
            report[0] = static_cast<unsigned char>(2 + pick(2));
        adapter->InjectStrayReport(report);
        name = u"stray report"_s;
    } else if (kind < 45) {
        static const std::array<std::uint8_t, 5> statuses{0x80, 0x40, 0xC0, 0x00, 0x3F};
        adapter->ForceNextStatus(statuses[std::size_t(pick(5))], std::uint8_t(pick(6)));
        name = u"forced status"_s;
    } else if (kind < 60) {
        adapter->ShortenNextWrite(std::size_t(pick(64)));
        name = u"short write"_s;
    } else if (kind < 72) {
        adapter->SetFramePeriod(std::chrono::microseconds(chance(50) ? 0 : 250 * pick(5)));
        name = u"frame period"_s;
    } else if (kind < 78) {
        adapter->AnnounceOversizedRead();
        name = u"oversized read"_s;
    } else if (kind < 90) {
        if (!adapter->IsPlugged())
            return;
        adapter->Unplug();
        ++m_counts.unplugs;
        if (connected() && adapter == m_connected)
            m_lossPending = true;
        name = u"unplug"_s;
    } else {
        // Plugged in again only once the window no longer holds it.
        if (adapter->IsPlugged() || (connected() && adapter == m_connected))
            return;
        adapter->Plug();
        name = u"replug"_s;
    }
    ++m_counts.faults[name];
}

void TestSoak::checkConsistent()
{
    const bool on = connected();
    if (ActionOf(*m_window, "actionConnect")->isEnabled() == on)
        fail(u"Connect and Disconnect are enabled alike"_s);
    for (const char *name : {"btn_write", "btn_read", "btn_write_read", "btn_i2c_search"}) {
        if (Child<QWidget>(*m_window, QString::fromLatin1(name))->isEnabled() != on)
            fail(u"%1 does not follow the connection"_s.arg(QString::fromLatin1(name)));
    }
    if (ActionOf(*m_window, "actionI2cSearch")->isEnabled() != on)
        fail(u"I2C Search does not follow the connection"_s);
    if (!Child<QWidget>(*m_window, u"dockWidgetContents"_s)->isEnabled())
        fail(u"the projects panel stayed disabled after a transaction"_s);
    const QString status = Child<QLabel>(*m_window, u"label_status"_s)->text();
    if (status.contains(u">Connected<"_s) != on)
        fail(u"the status bar says otherwise: "_s + status);
    if (!on)
        m_connected.reset();
}

void TestSoak::step(EOperation operation)
{
    const bool wasConnected = connected();
    // The window holds an adapter that is gone: a transaction must find that out.
    const bool adapterGone = wasConnected && m_lossPending;
    const int rowsBefore = rowCount();
    const int boxesBefore = int(m_watcher->boxes.size());
    bool transaction = false;
    bool invalidInput = false;

    switch (operation) {
    case EOperation::Write: {
        const int mode = pick(4);
        Child<QComboBox>(*m_window, u"cmb_startstop"_s)->setCurrentIndex(mode);
        const QString data = bytes(chance(10) ? 140 : 6);
        setAddress();
        setData(data);
        invalidInput = (mode >= 2 && data.isEmpty());
        QMetaObject::invokeMethod(m_window.get(), "onWrite", Qt::DirectConnection);
        transaction = true;
        break;
    }
    case EOperation::Read:
        setAddress();
        Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(1 + pick(chance(10) ? 400 : 8));
        QMetaObject::invokeMethod(m_window.get(), "onRead", Qt::DirectConnection);
        transaction = true;
        break;
    case EOperation::WriteRead: {
        const QString data = bytes(3);
        setAddress();
        setData(data);
        invalidInput = data.isEmpty();
        Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(1 + pick(8));
        QMetaObject::invokeMethod(m_window.get(), "onWriteRead", Qt::DirectConnection);
        transaction = true;
        break;
    }
    case EOperation::Search:
        QMetaObject::invokeMethod(m_window.get(), "onI2cSearch", Qt::DirectConnection);
        transaction = true;
        break;
    case EOperation::Speed: {
        static const std::array<const char *, 5> speeds{"actionSpeed10k", "actionSpeed50k",
                                                        "actionSpeed100k", "actionSpeed400k",
                                                        "actionSpeed1000k"};
        ActionOf(*m_window, speeds[std::size_t(pick(5))])->trigger();
        break;
    }
    case EOperation::PullUps:
        ActionOf(*m_window, "actionPullUps")->trigger();
        break;
    case EOperation::Connect: {
        if (wasConnected)
            break;
        const auto adapter = m_adapters[std::size_t(pick(int(m_adapters.size())))];
        const QString serial =
            QString::fromStdWString(adapter->GetConfig().serialNumber.value_or(std::wstring()));
        m_watcher->onDialog = [serial](QDialog *dialog) {
            auto *devices = dialog->findChild<QComboBox *>(u"cmb_device"_s);
            for (int i = 0; devices != nullptr && i < devices->count(); ++i) {
                if (devices->itemText(i).contains(serial))
                    devices->setCurrentIndex(i);
            }
            dialog->accept();
        };
        ActionOf(*m_window, "actionConnect")->trigger();
        m_watcher->onDialog = {};
        // The dialog keeps its own choice when the picked adapter is unplugged.
        for (const auto &candidate : m_adapters) {
            if (connected() &&
                Child<QLabel>(*m_window, u"label_serial"_s)
                    ->text()
                    .endsWith(QString::fromStdWString(*candidate->GetConfig().serialNumber)))
                m_connected = candidate;
        }
        break;
    }
    case EOperation::Disconnect:
        ActionOf(*m_window, "actionDisconnect")->trigger();
        if (wasConnected)
            m_lossPending = false;
        break;
    case EOperation::ClearOutput:
        ActionOf(*m_window, "actionTableClear")->trigger();
        if (rowCount() != 0)
            fail(u"Clear Output left rows"_s);
        return;
    case EOperation::Notation:
        ActionOf(*m_window, ActionOf(*m_window, "actionAddress8Bit")->isChecked()
                                ? "actionAddress7Bit"
                                : "actionAddress8Bit")
            ->trigger();
        break;
    case EOperation::Fault:
        fault();
        break;
    case EOperation::Idle:
        // Time for the presence timer to look.
        QTest::qWait(pick(40));
        break;
    }
    QCoreApplication::processEvents();

    int losses = 0;
    for (int i = boxesBefore; i < int(m_watcher->boxes.size()); ++i) {
        if (m_watcher->boxes.at(i).text == LOSS_TEXT)
            ++losses;
        else
            ++m_counts.otherBoxes;
    }
    if (losses > 0) {
        if (!m_lossPending || losses > 1)
            fail(u"%1 loss message(s) without an unreported unplug"_s.arg(losses));
        m_lossPending = false;
        ++m_counts.lossMessages;
    }
    const int added = rowCount() - rowsBefore;
    m_counts.rows += std::max(added, 0);
    if (transaction) {
        const bool sent = wasConnected && !invalidInput;
        if (sent && adapterGone && losses != 1)
            fail(u"%1 on a removed adapter did not report the loss"_s.arg(
                QString::fromLatin1(Name(operation))));
        const int expected = (sent && !adapterGone && losses == 0) ? 1 : 0;
        if (added != expected) {
            fail(u"%1 added %2 row(s), expected %3"_s.arg(QString::fromLatin1(Name(operation)))
                     .arg(added)
                     .arg(expected));
        }
    } else if (added != 0) {
        fail(u"%1 added %2 row(s)"_s.arg(QString::fromLatin1(Name(operation))).arg(added));
    }
    checkConsistent();
}

void TestSoak::soak()
{
    const int operations = qEnvironmentVariableIsSet("VTL_SOAK_OPS")
                               ? qEnvironmentVariableIntValue("VTL_SOAK_OPS")
                               : 20000;
    m_seed = qEnvironmentVariableIsSet("VTL_SOAK_SEED")
                 ? qEnvironmentVariable("VTL_SOAK_SEED").toULongLong()
                 : QRandomGenerator::system()->generate64();
    m_random.seed(m_seed);
    qInfo("soak: seed %llu, %d operations", m_seed, operations);

    CSimBus::Instance().Reset();
    QSettings().clear();
    m_adapters = {CSimBus::Instance().Attach(ESimModel::A, L"SOAK-A"),
                  CSimBus::Instance().Attach(ESimModel::B, L"SOAK-B"),
                  CSimBus::Instance().Attach(ESimModel::C, L"SOAK-C")};
    for (const auto &adapter : m_adapters) {
        adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        adapter->AddSlave(0x51, std::make_shared<CSimEeprom>());
        adapter->AddSlave(0x23, std::make_shared<CSimEeprom>());
    }
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_table = Child<QTableWidget>(*m_window, u"table_data"_s);
    m_watcher = std::make_unique<CModalWatcher>();

    std::vector<int> weights;
    for (const auto &[name, weight] : OPERATIONS)
        weights.push_back(weight);
    std::discrete_distribution<int> choose(weights.begin(), weights.end());
    QElapsedTimer clock;
    qint64 longest = 0;
    for (m_index = 0; m_index < operations && !m_failed; ++m_index) {
        // A session spends most of its time connected: reconnect soon after a loss.
        const auto operation = !connected() && chance(40)
                                   ? EOperation::Connect
                                   : static_cast<EOperation>(choose(m_random));
        ++m_counts.operations[QString::fromLatin1(Name(operation))];
        clock.start();
        step(operation);
        const qint64 took = clock.elapsed();
        longest = std::max(longest, took);
        if (took > OPERATION_LIMIT_MS)
            fail(u"%1 took %2 ms"_s.arg(QString::fromLatin1(Name(operation))).arg(took));
    }
    // An unplug the window has not met yet must still be reported, by the presence timer.
    if (!m_failed && m_lossPending) {
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_watcher->boxes.isEmpty() && m_watcher->boxes.last().text == LOSS_TEXT, 3000);
        ++m_counts.lossMessages;
    }

    QStringList operationCounts;
    for (const auto &[name, count] : m_counts.operations)
        operationCounts << u"%1 %2"_s.arg(name).arg(count);
    QStringList faultCounts;
    for (const auto &[name, count] : m_counts.faults)
        faultCounts << u"%1 %2"_s.arg(name).arg(count);
    qInfo("soak: %d operations (%s)", m_index, qPrintable(operationCounts.join(u", "_s)));
    qInfo("soak: faults: %s", qPrintable(faultCounts.join(u", "_s)));
    qInfo("soak: %d rows, %d unplugs, %d loss messages, %d other boxes, longest operation %lld ms",
          m_counts.rows, m_counts.unplugs, m_counts.lossMessages, m_counts.otherBoxes, longest);

    m_watcher.reset();
    m_window.reset();
    m_adapters.clear();
    CSimBus::Instance().Reset();
}

VTL_TEST_MAIN(TestSoak)
#include "tst_soak.moc"
