// SPDX-License-Identifier: MIT
// The window shares its adapter: other programs' transactions become rows that name them,
// the status bar counts the clients, and Share Adapter switched off stops the serving.
#include "BusServerDirectory.h"
#include "CliProcess.h"
#include "OutputTableColumns.h"
#include "PresetWindowFixture.h"
#include "VtlTestMain.h"
#include "devicedialog.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace CliProcess;

namespace {

const QString ADAPTER = u"VantrelA  SN SIM-A-0001"_s;

// Runs `sequence` through vtl-i2c-cli-sim against the window's adapter; the delay at its end
// keeps the client connected, so that two of them are served at the same time.
void StartClient(QProcess &process, const QString &address, const QByteArray &sequence)
{
    StartCli(process, u"single"_s,
             {u"-a"_s, u"SIM-A-0001"_s, u"script"_s, u"--address"_s, address, u"-"_s});
    process.write(sequence + "delay 1500ms\n");
    process.closeWriteChannel();
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestSharing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_fixture.Open(ADAPTER)); }
    void cleanup() { m_fixture.Close(); }

    // Two programs at once: each one's read is a row like the window's own, its Origin cell
    // and tool tip naming the program and its pid, and Save Log carries both.
    void clientsBecomeRows()
    {
        MainWindow &window = *m_fixture.window;
        auto *shared = Child<QLabel>(window, u"label_shared"_s);
        QVERIFY(shared->isVisible());
        QCOMPARE(shared->text(), u"shared, 0 clients"_s);

        QProcess light;
        QProcess power;
        StartClient(light, u"0x23"_s, "r2\n");
        StartClient(power, u"0x40"_s, "w1 00\n");
        QVERIFY(light.waitForStarted() && power.waitForStarted());
        const QString lightOrigin = u"vtl-i2c-cli-sim (pid %1)"_s.arg(light.processId());
        const QString powerOrigin = u"vtl-i2c-cli-sim (pid %1)"_s.arg(power.processId());
        QTRY_COMPARE_WITH_TIMEOUT(shared->text(), u"shared, 2 clients"_s, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            light.state() == QProcess::NotRunning && power.state() == QProcess::NotRunning, 30000);
        QVERIFY2(light.exitCode() == 0, light.readAllStandardError().constData());
        QVERIFY2(power.exitCode() == 0, power.readAllStandardError().constData());
        QTRY_COMPARE(shared->text(), u"shared, 0 clients"_s);

        auto *table = Child<QTableWidget>(window, u"table_data"_s);
        QVERIFY(table->isColumnHidden(COLUMN_ORIGIN));
        QMap<QString, QStringList> rows;
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem *origin = table->item(row, COLUMN_ORIGIN);
            QVERIFY(origin != nullptr);
            QCOMPARE(table->item(row, COLUMN_DATA)->toolTip(), origin->text());
            rows.insert(origin->text(), RowTexts(*table, row).mid(0, 1));
        }
        QCOMPARE(rows.value(lightOrigin), QStringList{u"Read 0x23"_s});
        QCOMPARE(rows.value(powerOrigin), QStringList{u"Write 0x40"_s});
        QCOMPARE(rows.size(), 2);

        const QTemporaryDir dir;
        m_fixture.watcher->onDialog = [&](QDialog *dialog) {
            qobject_cast<QFileDialog *>(dialog)->selectFile(dir.filePath(u"log.csv"_s));
            dialog->done(QDialog::Accepted);
        };
        ActionOf(window, "actionSaveLog")->trigger();
        const QByteArray log = contentsOf(dir.filePath(u"log.csv"_s));
        QVERIFY2(log.startsWith("time,duration_us,type,flags,data,error,adapter,speed,address,"
                                "origin,origin_pid\r\n"),
                 log.constData());
        for (const QString &origin : {lightOrigin, powerOrigin}) {
            const QByteArray pid = origin.section(u' ', -1).chopped(1).toLatin1();
            QVERIFY2(log.contains(",vtl-i2c-cli-sim," + pid + "\r\n"), log.constData());
        }
    }

    // The adapter dialog names the window as the adapter's server. Switched off, the window
    // stops serving and says nothing of sharing; switched on, it serves again; the choice is
    // kept for the next window.
    void shareAdapterSwitchesServing()
    {
        MainWindow &window = *m_fixture.window;
        auto *shared = Child<QLabel>(window, u"label_shared"_s);
        QAction *share = ActionOf(window, "actionShareAdapter");
        const std::int64_t pid = QCoreApplication::applicationPid();
        QCOMPARE(BusServerDirectory::FindServer(std::string("SIM-A-0001")).value().pid, pid);
        {
            DeviceDialog dialog(ActionOf(window, "actionSpeed100k")->actionGroup()->actions(),
                                false, &window);
            const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
            QCOMPARE(Child<QComboBox>(dialog, u"cmb_device"_s)->itemText(0),
                     ADAPTER + u"  (shared by %1 (pid %2))"_s.arg(program).arg(pid));
        }

        share->trigger();
        QVERIFY(!share->isChecked());
        QVERIFY(!BusServerDirectory::FindServer(std::string("SIM-A-0001")));
        QVERIFY(shared->isHidden());
        QVERIFY(!RunCli(u"single"_s, {u"list"_s}).out.contains(u"shared"_s));
        QVERIFY(!MainWindow().findChild<QAction *>(u"actionShareAdapter"_s)->isChecked());

        share->trigger();
        QCOMPARE(BusServerDirectory::FindServer(std::string("SIM-A-0001")).value().pid, pid);
        QCOMPARE(shared->text(), u"shared, 0 clients"_s);
    }

private:
    CPresetWindowFixture m_fixture;
};

VTL_TEST_MAIN(TestSharing)
#include "tst_sharing.moc"
