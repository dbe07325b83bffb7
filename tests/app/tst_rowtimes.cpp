// SPDX-License-Identifier: MIT
// The time of each output table row on the simulated bus: every kind of row carries its
// start, transactions their duration, in the order they ran.
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "MainWindowShared.h"
#include "TimeFormat.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QDateTime>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

#include <chrono>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct SRowTime
{
    qint64 startedMs = 0;
    std::optional<qint64> durationUs;
};

SRowTime timeOf(const QTableWidget &table, int row)
{
    const QTableWidgetItem *item = table.item(row, COLUMN_TIME);
    if (item == nullptr)
        return {};
    const QVariant duration = item->data(TIME_ROLE_DURATION_US);
    return {item->data(TIME_ROLE_STARTED_MS).toLongLong(),
            duration.isValid() ? std::optional<qint64>(duration.toLongLong()) : std::nullopt};
}

} // namespace

class TestRowTimes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();

    void everyKindOfRowHasItsTime();

private:
    void click(const char *button);
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
};

void TestRowTimes::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
}

void TestRowTimes::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    CSimBus::Instance().Reset();
}

void TestRowTimes::click(const char *button)
{
    Child<QAbstractButton>(*m_window, QString::fromLatin1(button))->click();
}

void TestRowTimes::everyKindOfRowHasItsTime()
{
    const std::shared_ptr<CSimAdapter> adapter = CSimBus::Instance().Attach(ESimModel::A, L"T-1");
    adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
    // One report per 1 ms frame, as a full-speed adapter answers.
    adapter->SetFramePeriod(std::chrono::milliseconds(1));
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN T-1"_s));
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"00"_s);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(1);

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    click("btn_write");
    click("btn_read");
    click("btn_write_read");
    click("btn_i2c_search");
    m_window->addTableRow(u"Note"_s, QString(), u"added by the window"_s, false);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    QCOMPARE(table()->rowCount(), 5);
    QCOMPARE(table()->item(3, COLUMN_TYPE)->text(), u"Search"_s);
    QList<SRowTime> times;
    for (int row = 0; row < 5; ++row)
        times << timeOf(*table(), row);
    for (int row = 0; row < 5; ++row) {
        const SRowTime &time = times.at(row);
        QVERIFY2(time.startedMs >= before && time.startedMs <= after,
                 qPrintable(QString::number(row)));
        QCOMPARE(time.durationUs.has_value(), row < 4);
        if (row > 0)
            QVERIFY(time.startedMs >= times.at(row - 1).startedMs);
    }
    for (int row = 0; row < 4; ++row) {
        QVERIFY(*times.at(row).durationUs > 0);
        // A transaction ended before the next one began (the start is in whole ms).
        const qint64 endMs = times.at(row).startedMs + *times.at(row).durationUs / 1000;
        QVERIFY2(endMs <= times.at(row + 1).startedMs + 1, qPrintable(QString::number(row)));
    }
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(table()->item(row, COLUMN_TIME)->text(),
                 TimeFormat::Cell(times.at(row).startedMs, times.at(row).durationUs));
    }
}

VTL_TEST_MAIN(TestRowTimes)
#include "tst_rowtimes.moc"
