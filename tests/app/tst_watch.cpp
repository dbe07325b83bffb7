// SPDX-License-Identifier: MIT
#include "PresetWindowFixture.h"
#include "SI2cCommand.h"
#include "VtlTestMain.h"
#include "WatchPanel.h"

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

SI2cCommand LuxCommand()
{
    SI2cCommand command;
    command.label = u"Lux"_s;
    command.type = EI2cCommandType::Read;
    command.count = 2;
    command.value = SValueDecoding{0, EValueType::U16Be, 1 / 1.2, 0, u"lx"_s};
    return command;
}

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT

    WatchPanel *panel() const { return m_app.window->findChild<WatchPanel *>(); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_app.window, u"table_data"_s); }
    void click(const QString &button) { Child<QAbstractButton>(*m_app.window, button)->click(); }

    void setFields(const QString &address, const QString &write, int count = 1)
    {
        Child<QComboBox>(*m_app.window, u"cmb_i2c_device"_s)->setEditText(address);
        Child<QLineEdit>(*m_app.window, u"edit_write"_s)->setText(write);
        Child<QSpinBox>(*m_app.window, u"spin_read"_s)->setValue(count);
    }

    // Watches the lux command at `address` (the light sensor at 0x23 powered on first)
    // until `samples` readings came in.
    bool startWatch(unsigned char address, std::size_t samples)
    {
        if (address == 0x23) {
            for (const QString &opcode : {u"01"_s, u"10"_s}) {
                setFields(u"0x23"_s, opcode);
                click(u"btn_write"_s);
            }
            // The first high-resolution measurement takes 120 ms.
            QTest::qWait(200);
            table()->setRowCount(0);
        }
        QMetaObject::invokeMethod(m_app.window.get(), "onWatchCommand", Qt::DirectConnection,
                                  Q_ARG(uint8_t, address), Q_ARG(SI2cCommand, LuxCommand()));
        click(u"btn_watch_start"_s);
        return QTest::qWaitFor([&] { return panel()->log().Count() >= samples; }, 10000);
    }

    CPresetWindowFixture m_app;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_app.Open(u"VantrelA  SN SIM-A-0001"_s));
        Child<QSpinBox>(*m_app.window, u"spin_watch_interval"_s)->setValue(10);
    }

    void cleanup() { m_app.Close(); }

    // The user's register reads of the EEPROM run between the readings; only they add
    // rows until Stop adds the summary.
    void watchesTheLightSensorInLux()
    {
        auto *dock = Child<QDockWidget>(*m_app.window, u"dock_watch"_s);
        QVERIFY(dock->isHidden());
        QVERIFY(startWatch(0x23, 3));
        QVERIFY(!dock->isHidden());
        QVERIFY(ActionOf(*m_app.window, "actionWatch")->isChecked());
        QCOMPARE(panel()->decoding(), *LuxCommand().value);
        m_app.bench.eepromA->SetContents(0x10, {0xC0, 0xFF, 0xEE});
        setFields(u"0x50"_s, u"10"_s, 3);
        for (int row = 0; row < 3; ++row) {
            click(u"btn_write_read"_s);
            QCOMPARE(table()->rowCount(), row + 1);
            QCOMPARE(RowTexts(*table(), row),
                     (QStringList{u"Write/Read 0x50 [10]"_s, u"0x03"_s, u"C0 FF EE"_s}));
        }
        const std::size_t before = panel()->log().Count();
        QTRY_VERIFY_WITH_TIMEOUT(panel()->log().Count() >= before + 3, 10000);
        click(u"btn_watch_stop"_s);
        QVERIFY(!panel()->isRunning());

        const CWatchLog &log = panel()->log();
        QCOMPARE(log.FailedCount(), 0);
        // The sensor's 320 lx, wandering a few per cent.
        for (const SWatchSample &sample : log.Samples()) {
            QCOMPARE(sample.bytes.size(), std::size_t(2));
            QVERIFY2(sample.value && *sample.value > 280 && *sample.value < 360,
                     qPrintable(QString::number(sample.value.value_or(-1))));
            QCOMPARE(*sample.value, (sample.bytes[0] * 256 + sample.bytes[1]) / 1.2);
        }
        QCOMPARE(table()->rowCount(), 4);
        QCOMPARE(RowTexts(*table(), 3),
                 (QStringList{u"Watch 0x23"_s, QString(), panel()->summaryText()}));
        QVERIFY(m_app.watcher->boxes.isEmpty());

        // The stopped run decoded again: its summary row takes the new figures, until Clear
        // Output has taken the row away.
        const QString luxSummary = panel()->summaryText();
        Child<QLineEdit>(*m_app.window, u"edit_watch_scale"_s)->setText(u"1"_s);
        QVERIFY(panel()->summaryText() != luxSummary);
        QCOMPARE(RowTexts(*table(), 3).at(2), panel()->summaryText());
        ActionOf(*m_app.window, "actionTableClear")->trigger();
        Child<QLineEdit>(*m_app.window, u"edit_watch_scale"_s)->setText(u"2"_s);
        QCOMPARE(table()->rowCount(), 0);
        ActionOf(*m_app.window, "actionWatch")->trigger();
        QVERIFY(dock->isHidden());
    }

    // A NACK is no lost connection; Disconnect ends the watch with its summary.
    // The target is written in the notation in force, also after it changed.
    void targetFollowsTheNotation()
    {
        QMetaObject::invokeMethod(m_app.window.get(), "onWatchCommand", Qt::DirectConnection,
                                  Q_ARG(uint8_t, 0x48), Q_ARG(SI2cCommand, LuxCommand()));
        const auto *target = Child<QLabel>(*m_app.window, u"label_watch_target"_s);
        QCOMPARE(target->text(), u"Read 0x48, 2 bytes"_s);
        ActionOf(*m_app.window, "actionAddress8Bit")->trigger();
        QCOMPARE(target->text(), u"Read 0x90, 2 bytes"_s);
        QCOMPARE(panel()->decoding(), *LuxCommand().value);
    }

    // After switching adapters the readings of the first stay (not exported yet), marked
    // as its own, until the next run on the new adapter replaces them.
    void readingsOfAnotherAdapterAreMarked()
    {
        QVERIFY(startWatch(0x23, 2));
        click(u"btn_watch_stop"_s);
        const std::size_t readings = panel()->log().Count();
        const auto *note = Child<QLabel>(*m_app.window, u"label_watch_source"_s);
        const auto *plot = Child<QWidget>(*m_app.window, u"plot_watch"_s);
        QVERIFY(note->isHidden());
        ActionOf(*m_app.window, "actionDisconnect")->trigger();
        QVERIFY(note->isHidden());
        QVERIFY(ConnectWindow(*m_app.window, *m_app.watcher, u"VantrelC  SN SIM-C-0003"_s));
        QVERIFY(!note->isHidden());
        QVERIFY2(note->text().contains(u"adapter SIM-A-0001"_s) &&
                     note->text().contains(u"(SIM-C-0003)"_s),
                 qPrintable(note->text()));
        QVERIFY(!plot->isEnabled());
        QCOMPARE(panel()->log().Count(), readings);
        click(u"btn_watch_start"_s);
        QVERIFY(note->isHidden());
        QVERIFY(plot->isEnabled());
        click(u"btn_watch_stop"_s);
    }

    void failedReadingsAreCounted()
    {
        QVERIFY(startWatch(0x33, 5));
        QVERIFY(ActionOf(*m_app.window, "actionDisconnect")->isEnabled());
        ActionOf(*m_app.window, "actionDisconnect")->trigger();
        QVERIFY(!panel()->isRunning());
        const CWatchLog &log = panel()->log();
        QCOMPARE(log.FailedCount(), log.Count());
        QCOMPARE(log.Samples().front().error, u"NACK received"_s);
        QCOMPARE(RowTexts(*table(), 0).at(2), u"%1 samples, %1 failed"_s.arg(log.Count()));
        QVERIFY(m_app.watcher->boxes.isEmpty());
    }

    // The readings until the unplug are summed up; the presence timer (1 s) finds nothing
    // more to report.
    void unplugStopsTheWatchWithOneMessage()
    {
        QVERIFY(startWatch(0x23, 3));
        m_app.bench.adapterA->Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!panel()->isRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(m_app.watcher->boxes.size(), 1, 5000);
        QCOMPARE(m_app.watcher->boxes.at(0).text, u"Connection to the Vantrel was lost."_s);
        QVERIFY(ActionOf(*m_app.window, "actionConnect")->isEnabled());
        QCOMPARE(table()->rowCount(), 1);
        QCOMPARE(RowTexts(*table(), 0).at(0), u"Watch 0x23"_s);
        QTest::qWait(1200);
        QCOMPARE(m_app.watcher->boxes.size(), 1);
    }

    // An invalid address warns and keeps the target.
    void fromFieldsChoosesReadOrWriteRead()
    {
        auto *target = Child<QLabel>(*m_app.window, u"label_watch_target"_s);
        setFields(u"0x48"_s, u"00"_s, 2);
        click(u"btn_watch_from_fields"_s);
        QCOMPARE(target->text(), u"Write/Read 0x48 [00] > 2 bytes"_s);
        setFields(u"0x48"_s, QString(), 1);
        click(u"btn_watch_from_fields"_s);
        QCOMPARE(target->text(), u"Read 0x48, 1 byte"_s);
        setFields(u"0x80"_s, QString(), 1);
        click(u"btn_watch_from_fields"_s);
        QCOMPARE(m_app.watcher->boxes.size(), 1);
        QCOMPARE(m_app.watcher->boxes.at(0).title, u"Watch"_s);
        QCOMPARE(target->text(), u"Read 0x48, 1 byte"_s);
    }
};

VTL_TEST_MAIN(TestWatch)
#include "tst_watch.moc"
