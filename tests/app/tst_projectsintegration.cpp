// SPDX-License-Identifier: MIT
// The main window and the projects panel together: stored commands loaded and executed
// on the simulated bench, the input fields saved as commands, the folder chooser and the
// dock's action.
#include "AppTestSupport.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CSimLightSensor.h"
#include "CSimPresetBench.h"
#include "VtlTestMain.h"
#include "WatchPanel.h"
#include "WriteConfirmation.h"
#include "mainwindow.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;

class TestProjectsIntegration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void exampleDeviceOnFirstStart();
    void clickingADeviceSetsItsAddress();
    void loadingACommandFillsOnlyItsFields();
    void executingWhileDisconnectedOnlyLoads();
    void executingRunsTheCommandOnTheBus();
    void executedWriteKeepsItsModeSuffix();
    void executingSendsTheCommandNotTheFields_data();
    void executingSendsTheCommandNotTheFields();
    void savingTheWriteField_data();
    void savingTheWriteField();
    void savingTheReadCount();
    void savingWithNoDeviceCreatesOne();
    void writeReadCommandLoadsExecutesAndSaves();
    void sequenceRunsWithRowsAndSummary_data();
    void sequenceRunsWithRowsAndSummary();
    void rowsSavedAsASequence_data();
    void rowsSavedAsASequence();
    void notationChangeReachesTheTree();
    void choosingTheProjectsFolder();
    void dockAndItsAction();
    void watchTakesAndSavesTheDecoding();

private:
    template <typename T>
    T *child(const QString &name) const
    {
        return Child<T>(*m_window, name);
    }
    QTreeView *tree() const { return child<QTreeView>(u"tree_projects"_s); }
    QModelIndex deviceRow(const QString &name) const;
    QModelIndex commandRow(const QString &device, const QString &label) const;
    void click(const QModelIndex &index);
    void doubleClick(const QModelIndex &index);
    // Runs `action`, answering the write confirmation it brings up with `confirm`; false
    // when none came up.
    bool answerWriteConfirmation(const std::function<void()> &action, bool confirm);
    void writeDevice(const QString &fileName, const QString &name, unsigned char address,
                     const QList<SI2cCommand> &commands);
    CI2cDeviceFile loadDevice(const QString &fileName) const;
    void createWindow();
    void connectBenchA();

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    SSimPresetBench m_bench;
};

void TestProjectsIntegration::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestProjectsIntegration::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    QSettings().setValue(u"projects/folder"_s, m_folder->path());
    m_watcher = std::make_unique<CModalWatcher>();
    WriteConfirmation::forgetChoices();
}

void TestProjectsIntegration::cleanup()
{
    m_window.reset();
    m_watcher.reset();
    m_bench = {};
    CSimBus::Instance().Reset();
    m_folder.reset();
}

void TestProjectsIntegration::createWindow()
{
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestProjectsIntegration::connectBenchA()
{
    m_bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN SIM-A-0001"_s));
    m_bench.adapterA->ClearReports();
}

QModelIndex TestProjectsIntegration::deviceRow(const QString &name) const
{
    const QAbstractItemModel *model = tree()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

QModelIndex TestProjectsIntegration::commandRow(const QString &device, const QString &label) const
{
    const QModelIndex parent = deviceRow(device);
    const QAbstractItemModel *model = tree()->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data().toString() == label)
            return index;
    }
    return {};
}

void TestProjectsIntegration::click(const QModelIndex &index)
{
    QVERIFY(index.isValid());
    tree()->scrollTo(index);
    if (index.parent().isValid())
        tree()->expand(index.parent());
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualRect(index).center());
}

bool TestProjectsIntegration::answerWriteConfirmation(const std::function<void()> &action,
                                                      bool confirm)
{
    // The watcher would close the question with OK, which is no answer to it.
    m_watcher.reset();
    bool asked = false;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, [&asked, confirm] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || box->objectName() != u"writeConfirmation"_s)
            return;
        asked = true;
        if (confirm)
            box->findChild<QAbstractButton *>(u"confirmButton"_s)->click();
        else
            box->reject();
    });
    timer.start();
    action();
    m_watcher = std::make_unique<CModalWatcher>();
    return asked;
}

void TestProjectsIntegration::doubleClick(const QModelIndex &index)
{
    QVERIFY(index.isValid());
    tree()->scrollTo(index);
    const QPoint point = tree()->visualRect(index).center();
    // A double click is a press, a release and then the double-click event.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, point);
}

void TestProjectsIntegration::writeDevice(const QString &fileName, const QString &name,
                                          unsigned char address, const QList<SI2cCommand> &commands)
{
    CI2cDeviceFile file;
    file.SetName(name);
    file.SetAddress(address);
    for (const SI2cCommand &command : commands)
        file.AddCommand(command);
    QVERIFY2(file.SaveAs(QDir(m_folder->path()).filePath(fileName)),
             qPrintable(file.GetLastError()));
}

CI2cDeviceFile TestProjectsIntegration::loadDevice(const QString &fileName) const
{
    CI2cDeviceFile file;
    file.Load(QDir(m_folder->path()).filePath(fileName));
    return file;
}

void TestProjectsIntegration::exampleDeviceOnFirstStart()
{
    createWindow();
    const QModelIndex device = deviceRow(u"BH1750"_s);
    QVERIFY(device.isValid());
    QCOMPARE(tree()->model()->rowCount(device), 8);
    QCOMPARE(device.siblingAtColumn(2).data().toString(), u"0x23"_s);
    QVERIFY(QFile::exists(QDir(m_folder->path()).filePath(u"bh1750.i2cdev"_s)));
}

void TestProjectsIntegration::clickingADeviceSetsItsAddress()
{
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {});
    createWindow();
    auto *address = child<QComboBox>(u"cmb_i2c_device"_s);

    click(deviceRow(u"EEPROM"_s));
    QCOMPARE(address->currentText(), u"0x50"_s);

    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    address->setEditText(QString());
    click(deviceRow(u"EEPROM"_s));
    QCOMPARE(address->currentText(), u"0xA0"_s);
}

void TestProjectsIntegration::loadingACommandFillsOnlyItsFields()
{
    createWindow();
    auto *write = child<QLineEdit>(u"edit_write"_s);
    auto *mode = child<QComboBox>(u"cmb_startstop"_s);
    auto *count = child<QSpinBox>(u"spin_read"_s);
    write->setText(u"AA BB"_s);
    mode->setCurrentIndex(3);
    count->setValue(7);

    click(commandRow(u"BH1750"_s, u"Read Measurement"_s));
    QCOMPARE(child<QComboBox>(u"cmb_i2c_device"_s)->currentText(), u"0x23"_s);
    QCOMPARE(count->value(), 2);
    QCOMPARE(write->text(), u"AA BB"_s);
    QCOMPARE(mode->currentIndex(), 3);

    click(commandRow(u"BH1750"_s, u"Reset"_s));
    QCOMPARE(write->text(), u"07"_s);
    QCOMPARE(mode->currentIndex(), 0);
    QCOMPARE(count->value(), 2);
    QCOMPARE(child<QTableWidget>(u"table_data"_s)->rowCount(), 0);
}

void TestProjectsIntegration::executingWhileDisconnectedOnlyLoads()
{
    createWindow();
    doubleClick(commandRow(u"BH1750"_s, u"Power On"_s));
    QCOMPARE(child<QLineEdit>(u"edit_write"_s)->text(), u"01"_s);
    QCOMPARE(m_window->statusBar()->currentMessage(),
             u"Command \"Power On\" loaded. Connect a device to execute it."_s);
    QCOMPARE(child<QTableWidget>(u"table_data"_s)->rowCount(), 0);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestProjectsIntegration::executingRunsTheCommandOnTheBus()
{
    createWindow();
    connectBenchA();
    auto *table = child<QTableWidget>(u"table_data"_s);

    doubleClick(commandRow(u"BH1750"_s, u"Power On"_s));
    doubleClick(commandRow(u"BH1750"_s, u"Continuous H-Res (1 lx, 120 ms)"_s));
    QCOMPARE(ReportLines(m_bench.adapterA), (QStringList{u"02 C2 46 01"_s, u"02 C2 46 10"_s}));
    QVERIFY(m_bench.lightSensorA->IsPoweredOn());
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(RowTexts(*table, 0), (QStringList{u"Write 0x23"_s, u"0x00"_s, u"01"_s}));

    m_bench.adapterA->ClearReports();
    doubleClick(commandRow(u"BH1750"_s, u"Read Measurement"_s));
    QCOMPARE(ReportLines(m_bench.adapterA), QStringList{u"03 02 47"_s});
    QCOMPARE(table->rowCount(), 3);
    const QStringList read = RowTexts(*table, 2);
    QCOMPARE(read.at(0), u"Read 0x23"_s);
    QCOMPARE(read.at(1), u"0x02"_s);
    QCOMPARE(read.at(2).size(), 5); // two bytes, "HH LL"
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestProjectsIntegration::executedWriteKeepsItsModeSuffix()
{
    SI2cCommand command;
    command.label = u"Point at 0x10"_s;
    command.mode = EI2cWriteMode::Start;
    command.data = {0x10};
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {command});
    createWindow();
    connectBenchA();

    doubleClick(commandRow(u"EEPROM"_s, u"Point at 0x10"_s));
    QCOMPARE(ReportLines(m_bench.adapterA), QStringList{u"02 82 A0 10"_s});
    auto *table = child<QTableWidget>(u"table_data"_s);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(RowTexts(*table, 0),
             (QStringList{u"Write 0x50 [Generate Start]"_s, u"0x00"_s, u"10"_s}));
    QCOMPARE(child<QComboBox>(u"cmb_startstop"_s)->currentIndex(), 1);
}

// Fields edited after the click that loaded the command: executing it (as the context
// menu's Execute does) sends the command's own transfer and leaves the edits in the fields.
void TestProjectsIntegration::executingSendsTheCommandNotTheFields_data()
{
    QTest::addColumn<EI2cCommandType>("type");
    QTest::addColumn<EI2cWriteMode>("mode");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("wire");
    // The row's cells, or the warning's title and text.
    QTest::addColumn<QString>("outcome");
    QTest::newRow("write with start only")
        << EI2cCommandType::Write << EI2cWriteMode::Start << "\x10"_ba
        << QStringList{u"02 82 A0 10"_s} << u"Write 0x50 [Generate Start] | 0x00 | 10"_s;
    QTest::newRow("write/read") << EI2cCommandType::WriteRead << EI2cWriteMode::Auto << "\x10"_ba
                                << QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s}
                                << u"Write/Read 0x50 [10] | 0x04 | C0 FF EE 42"_s;
    QTest::newRow("write that sends nothing")
        << EI2cCommandType::Write << EI2cWriteMode::Stop << QByteArray() << QStringList()
        << u"Write: Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
}

void TestProjectsIntegration::executingSendsTheCommandNotTheFields()
{
    QFETCH(EI2cCommandType, type);
    QFETCH(EI2cWriteMode, mode);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, wire);
    QFETCH(QString, outcome);
    const SI2cCommand command{u"Stored"_s, type, mode, {data.begin(), data.end()}, 4, {}, {}};
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {command});
    createWindow();
    connectBenchA();
    m_bench.eepromA->SetContents(0x10, {0xC0, 0xFF, 0xEE, 0x42});
    auto *address = child<QComboBox>(u"cmb_i2c_device"_s);
    auto *write = child<QLineEdit>(u"edit_write"_s);
    auto *startStop = child<QComboBox>(u"cmb_startstop"_s);
    click(commandRow(u"EEPROM"_s, u"Stored"_s));
    address->setEditText(u"0x23"_s);
    write->setText(u"AA BB"_s);
    startStop->setCurrentIndex(3);
    auto *panel = m_window->findChild<CProjectsPanel *>();
    QVERIFY(panel != nullptr);
    Q_EMIT panel->commandExecuteRequested(0x50, command);

    QCOMPARE(ReportLines(m_bench.adapterA), wire);
    const auto *table = child<QTableWidget>(u"table_data"_s);
    QStringList seen;
    for (int row = 0; row < table->rowCount(); ++row)
        seen << RowTexts(*table, row).join(u" | "_s);
    for (const SSeenBox &box : m_watcher->boxes)
        seen << box.title + u": "_s + box.text;
    QCOMPARE(seen, QStringList{outcome});
    // The fields show the command that ran.
    QCOMPARE(address->currentText(), u"0x50"_s);
}

void TestProjectsIntegration::savingTheWriteField_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("warning"); // empty: the command is saved
    QTest::addColumn<QString>("data");
    QTest::newRow("bytes, Auto") << 0 << u"01 a5,ff"_s << QString() << u"01 A5 FF"_s;
    QTest::newRow("address only, Auto") << 0 << QString() << QString() << QString();
    QTest::newRow("address only, Generate Start") << 1 << u" "_s << QString() << QString();
    QTest::newRow("no bytes, Generate Stop")
        << 2 << QString() << u"Without start at least one data byte is required."_s << QString();
    QTest::newRow("no bytes, None")
        << 3 << QString() << u"Without start at least one data byte is required."_s << QString();
    QTest::newRow("invalid hex")
        << 0 << u"01 2X"_s
        << u"Invalid input: \"2X\" at position 4 is no hex byte. Enter hex bytes, e.g. \"01 A5 FF\"."_s
        << QString();
}

void TestProjectsIntegration::savingTheWriteField()
{
    QFETCH(int, mode);
    QFETCH(QString, input);
    QFETCH(QString, warning);
    QFETCH(QString, data);
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {});
    createWindow();
    click(deviceRow(u"EEPROM"_s));
    child<QComboBox>(u"cmb_startstop"_s)->setCurrentIndex(mode);
    child<QLineEdit>(u"edit_write"_s)->setText(input);

    QString proposed;
    m_watcher->onDialog = [&proposed](QDialog *dialog) {
        auto *prompt = qobject_cast<QInputDialog *>(dialog);
        QVERIFY(prompt != nullptr);
        proposed = prompt->textValue();
        prompt->accept();
    };
    child<QAbstractButton>(u"tbtn_write_save"_s)->click();

    const QList<SI2cCommand> commands = loadDevice(u"eeprom.i2cdev"_s).GetCommands();
    if (!warning.isEmpty()) {
        QCOMPARE(m_watcher->boxes.size(), 1);
        QCOMPARE(m_watcher->boxes.at(0).title, u"Save Command"_s);
        QCOMPARE(m_watcher->boxes.at(0).text, warning);
        QCOMPARE(m_watcher->boxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(m_watcher->dialogs, 0);
        QVERIFY(commands.isEmpty());
        return;
    }
    QVERIFY(m_watcher->boxes.isEmpty());
    QCOMPARE(commands.size(), 1);
    const SI2cCommand &saved = commands.at(0);
    QCOMPARE(saved.type, EI2cCommandType::Write);
    QCOMPARE(int(saved.mode), mode);
    QCOMPARE(CI2cDeviceFile::BytesToHex(saved.data), data);
    QCOMPARE(saved.label, data.isEmpty() ? u"Write address only"_s : u"Write "_s + data);
    QCOMPARE(proposed, saved.label);
}

void TestProjectsIntegration::savingTheReadCount()
{
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {});
    createWindow();
    click(deviceRow(u"EEPROM"_s));
    child<QSpinBox>(u"spin_read"_s)->setValue(300);
    m_watcher->onDialog = [](QDialog *dialog) {
        auto *prompt = qobject_cast<QInputDialog *>(dialog);
        QVERIFY(prompt != nullptr);
        prompt->setTextValue(u"Dump"_s);
        prompt->accept();
    };
    child<QAbstractButton>(u"tbtn_read_save"_s)->click();

    const QList<SI2cCommand> commands = loadDevice(u"eeprom.i2cdev"_s).GetCommands();
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.at(0).label, u"Dump"_s);
    QCOMPARE(commands.at(0).type, EI2cCommandType::Read);
    QCOMPARE(commands.at(0).count, 300);
    // The new command is current and its device expanded.
    QCOMPARE(tree()->currentIndex().data().toString(), u"Dump"_s);
}

// A stored register read: a click fills the write field and the count (the start/stop
// box keeps its entry), a double click runs it as one write/read, and the save button
// stores the fields as such a command.
void TestProjectsIntegration::writeReadCommandLoadsExecutesAndSaves()
{
    SI2cCommand stored;
    stored.label = u"Read From 0x10"_s;
    stored.type = EI2cCommandType::WriteRead;
    stored.data = {0x10};
    stored.count = 4;
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {stored});
    createWindow();
    connectBenchA();
    auto *write = child<QLineEdit>(u"edit_write"_s);
    auto *mode = child<QComboBox>(u"cmb_startstop"_s);
    auto *count = child<QSpinBox>(u"spin_read"_s);
    mode->setCurrentIndex(3);

    click(commandRow(u"EEPROM"_s, u"Read From 0x10"_s));
    QCOMPARE(write->text(), u"10"_s);
    QCOMPARE(count->value(), 4);
    QCOMPARE(mode->currentIndex(), 3);
    QVERIFY(m_bench.adapterA->GetSpecialReports().empty());

    m_bench.eepromA->SetContents(0x10, {0xC0, 0xFF, 0xEE, 0x42});
    doubleClick(commandRow(u"EEPROM"_s, u"Read From 0x10"_s));
    QCOMPARE(ReportLines(m_bench.adapterA), (QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s}));
    auto *table = child<QTableWidget>(u"table_data"_s);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(RowTexts(*table, 0),
             (QStringList{u"Write/Read 0x50 [10]"_s, u"0x04"_s, u"C0 FF EE 42"_s}));

    write->setText(u"00 20"_s);
    count->setValue(16);
    click(deviceRow(u"EEPROM"_s));
    m_watcher->onDialog = [](QDialog *dialog) {
        auto *prompt = qobject_cast<QInputDialog *>(dialog);
        QVERIFY(prompt != nullptr);
        prompt->setTextValue(u"Page 0x20"_s);
        prompt->accept();
    };
    child<QAbstractButton>(u"btn_write_read_save"_s)->click();
    const QList<SI2cCommand> commands = loadDevice(u"eeprom.i2cdev"_s).GetCommands();
    QCOMPARE(commands.size(), 2);
    QCOMPARE(commands.at(1).label, u"Page 0x20"_s);
    QCOMPARE(commands.at(1).type, EI2cCommandType::WriteRead);
    QCOMPARE(commands.at(1).data, (std::vector<unsigned char>{0x00, 0x20}));
    QCOMPARE(commands.at(1).count, 16);

    // Without bytes there is nothing to write first: refused, nothing saved.
    write->clear();
    m_watcher->onDialog = {};
    child<QAbstractButton>(u"btn_write_read_save"_s)->click();
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes.at(0).title, u"Save Command"_s);
    QCOMPARE(m_watcher->boxes.at(0).text, u"Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s);
    QCOMPARE(loadDevice(u"eeprom.i2cdev"_s).GetCommands().size(), 2);
}

// A double click runs a stored sequence as one job: a row per transfer, the outcome of each
// expect, the echo, and a summary row that names the failing line in the error colour.
void TestProjectsIntegration::sequenceRunsWithRowsAndSummary_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<bool>("confirm");
    QTest::newRow("ok") << u"41"_s << u"4 steps, ok, "_s << true;
    QTest::newRow("failed expect") << u"42"_s << u"line 3: read 41, expected 42"_s << true;
    QTest::newRow("declined") << u"41"_s << QString() << false;
}

void TestProjectsIntegration::sequenceRunsWithRowsAndSummary()
{
    QFETCH(QString, expected);
    QFETCH(QString, summary);
    QFETCH(bool, confirm);
    SI2cCommand stored;
    stored.label = u"Check"_s;
    stored.type = EI2cCommandType::Sequence;
    stored.steps = {u"w2 20 41"_s, u"delay 1ms"_s, u"expect w1 20 r1 == "_s + expected,
                    u"echo done"_s};
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {stored});
    createWindow();
    connectBenchA();
    // The sequence writes, so it names its target and asks first.
    QVERIFY(answerWriteConfirmation([&] { doubleClick(commandRow(u"EEPROM"_s, u"Check"_s)); },
                                    confirm));
    auto *table = child<QTableWidget>(u"table_data"_s);
    if (!confirm) {
        QVERIFY(ReportLines(m_bench.adapterA).isEmpty());
        QCOMPARE(table->rowCount(), 0);
        return;
    }
    QCOMPARE(ReportLines(m_bench.adapterA),
             (QStringList{u"02 C3 A0 20 41"_s, u"02 82 A0 20"_s, u"03 01 A1"_s}));
    QStringList types;
    for (int row = 0; row < table->rowCount(); ++row)
        types << RowTexts(*table, row).value(0);
    const bool ok = expected == u"41"_s;
    QStringList wanted{u"Write 0x50"_s, u"Write 0x50 [Generate Start]"_s, u"Read 0x50"_s,
                       u"Expect 0x50"_s};
    if (ok)
        wanted << u"Echo"_s;
    wanted << u"Sequence Check"_s;
    QCOMPARE(types, wanted);
    const QStringList check = RowTexts(*table, int(wanted.size()) - 2 - (ok ? 1 : 0));
    QCOMPARE(check.value(1), ok ? u"ok"_s : u"line 3: read 41, expected 42"_s);
    const QStringList last = RowTexts(*table, table->rowCount() - 1);
    QVERIFY2(last.value(2).startsWith(summary), qPrintable(last.value(2)));
    QCOMPARE(table->item(table->rowCount() - 1, 0)->foreground() == table->item(0, 0)->foreground(),
             ok);
}

void TestProjectsIntegration::rowsSavedAsASequence_data()
{
    QTest::addColumn<bool>("toProject");
    QTest::newRow("as a command of the device") << true;
    QTest::newRow("as a sequence file") << false;
}

// A write and a register read become steps; the refused read and the search are skipped and
// the dialog says so. Run again from the project, the steps put the same bytes on the wire.
void TestProjectsIntegration::rowsSavedAsASequence()
{
    QFETCH(bool, toProject);
    writeDevice(u"eeprom.i2cdev"_s, u"EEPROM"_s, 0x50, {});
    writeDevice(u"other.i2cdev"_s, u"Other"_s, 0x10, {});
    createWindow();
    connectBenchA();
    click(deviceRow(u"EEPROM"_s));
    child<QLineEdit>(u"edit_write"_s)->setText(u"20 41 42"_s);
    child<QAbstractButton>(u"btn_write"_s)->click();
    child<QLineEdit>(u"edit_write"_s)->setText(u"20"_s);
    child<QSpinBox>(u"spin_read"_s)->setValue(2);
    child<QAbstractButton>(u"btn_write_read"_s)->click();
    const QStringList direct = ReportLines(m_bench.adapterA);
    child<QComboBox>(u"cmb_i2c_device"_s)->setEditText(u"0x33"_s);
    child<QAbstractButton>(u"btn_read"_s)->click();
    child<QAbstractButton>(u"btn_i2c_search"_s)->click();
    auto *table = child<QTableWidget>(u"table_data"_s);
    QCOMPARE(table->rowCount(), 4);
    table->selectAll();
    // Another device selected meanwhile: the rows still belong to the one at 0x50.
    tree()->setCurrentIndex(deviceRow(u"Other"_s));

    const QTemporaryDir files;
    QString summary;
    m_watcher->onDialog = [&](QDialog *dialog) {
        if (auto *label = dialog->findChild<QLabel *>(u"lbl_sequence_summary"_s)) {
            summary = label->text();
            const QString button = toProject ? u"btn_sequence_project"_s : u"btn_sequence_file"_s;
            dialog->findChild<QAbstractButton *>(button)->click();
        } else if (auto *prompt = qobject_cast<QInputDialog *>(dialog)) {
            prompt->setTextValue(u"Replay"_s);
            prompt->accept();
        } else if (auto *chooser = qobject_cast<QFileDialog *>(dialog)) {
            chooser->selectFile(files.filePath(u"replay"_s));
            dialog->done(QDialog::Accepted);
        }
    };
    ActionOf(*m_window, "actionSaveAsSequence")->trigger();
    QCOMPARE(summary, u"2 selected row(s) become steps.\n2 row(s) skipped: only writes, reads "
                      "and write/reads that went through can be sent again (not errors, "
                      "searches or summaries)."_s);
    const QStringList steps{u"w3@0x50 20 41 42"_s, u"w1@0x50 20 r2"_s};
    if (!toProject) {
        QFile saved(files.filePath(u"replay.i2cseq"_s));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), steps.join(u'\n') + u'\n');
        QVERIFY(loadDevice(u"eeprom.i2cdev"_s).GetCommands().isEmpty());
        return;
    }
    const QList<SI2cCommand> commands = loadDevice(u"eeprom.i2cdev"_s).GetCommands();
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.at(0).type, EI2cCommandType::Sequence);
    QCOMPARE(commands.at(0).steps, steps);
    QVERIFY(loadDevice(u"other.i2cdev"_s).GetCommands().isEmpty());
    m_bench.adapterA->ClearReports();
    QVERIFY(
        answerWriteConfirmation([&] { doubleClick(commandRow(u"EEPROM"_s, u"Replay"_s)); }, true));
    QCOMPARE(ReportLines(m_bench.adapterA), direct);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestProjectsIntegration::savingWithNoDeviceCreatesOne()
{
    QSettings().setValue(u"projects/examplesInstalled"_s, true);
    createWindow();
    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    child<QComboBox>(u"cmb_i2c_device"_s)->setEditText(u"0xA0"_s);
    child<QSpinBox>(u"spin_read"_s)->setValue(4);

    // Answers, in order: "create a device?" (Yes), the device dialog, the label prompt.
    QString addressShown;
    m_watcher->onDialog = [&addressShown](QDialog *dialog) {
        if (auto *prompt = qobject_cast<QInputDialog *>(dialog)) {
            prompt->accept();
            return;
        }
        auto *name = dialog->findChild<QLineEdit *>(u"nameEdit"_s);
        auto *address = dialog->findChild<QLineEdit *>(u"addressEdit"_s);
        QVERIFY(name != nullptr && address != nullptr);
        addressShown = address->text();
        name->setText(u"Config EEPROM"_s);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    };
    QTimer::singleShot(0, this, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        QCOMPARE(box->windowTitle(), u"Save Command"_s);
        box->button(QMessageBox::Yes)->click();
    });
    child<QAbstractButton>(u"tbtn_read_save"_s)->click();

    QCOMPARE(addressShown, u"0xA0"_s);
    const CI2cDeviceFile file = loadDevice(u"config_eeprom.i2cdev"_s);
    QCOMPARE(file.GetName(), u"Config EEPROM"_s);
    QCOMPARE(file.GetAddress(), static_cast<unsigned char>(0x50));
    QCOMPARE(file.GetCommands().size(), 1);
    QCOMPARE(file.GetCommands().at(0).label, u"Read 4 byte(s)"_s);
}

void TestProjectsIntegration::notationChangeReachesTheTree()
{
    createWindow();
    click(commandRow(u"BH1750"_s, u"Reset"_s));
    const QModelIndex device = deviceRow(u"BH1750"_s);
    QCOMPARE(device.siblingAtColumn(2).data().toString(), u"0x23"_s);

    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    QCOMPARE(deviceRow(u"BH1750"_s).siblingAtColumn(2).data().toString(), u"0x46"_s);
    QCOMPARE(child<QComboBox>(u"cmb_i2c_device"_s)->currentText(), u"0x46"_s);
    QCOMPARE(tree()->currentIndex().data().toString(), u"Reset"_s);
}

void TestProjectsIntegration::choosingTheProjectsFolder()
{
    createWindow();
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const QString chosen = QDir(other.path()).filePath(u"bench"_s);
    QVERIFY(QDir().mkpath(chosen));
    {
        CI2cDeviceFile file;
        file.SetName(u"Sensor"_s);
        file.SetAddress(0x48);
        QVERIFY(file.SaveAs(QDir(chosen).filePath(u"sensor.i2cdev"_s)));
    }

    // Cancelled: nothing changes.
    QString startFolder;
    m_watcher->onDialog = [&startFolder](QDialog *dialog) {
        auto *chooser = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(chooser != nullptr);
        startFolder = chooser->directory().absolutePath();
        chooser->reject();
    };
    ActionOf(*m_window, "actionProjects_Folder")->trigger();
    QCOMPARE(QDir(startFolder).canonicalPath(), QDir(m_folder->path()).canonicalPath());
    QVERIFY(deviceRow(u"BH1750"_s).isValid());
    QCOMPARE(QSettings().value(u"projects/folder"_s).toString(), m_folder->path());

    m_watcher->onDialog = [chosen](QDialog *dialog) {
        auto *chooser = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(chooser != nullptr);
        chooser->setDirectory(chosen);
        chooser->selectFile(chosen);
        static_cast<QDialog *>(chooser)->accept();
    };
    ActionOf(*m_window, "actionProjects_Folder")->trigger();
    QTRY_VERIFY(deviceRow(u"Sensor"_s).isValid());
    QVERIFY(!deviceRow(u"BH1750"_s).isValid());
    QCOMPARE(QDir(QSettings().value(u"projects/folder"_s).toString()).canonicalPath(),
             QDir(chosen).canonicalPath());
    QVERIFY(m_window->statusBar()->currentMessage().startsWith(u"Projects folder: "_s));
    QCOMPARE(QDir(m_window->statusBar()->currentMessage().mid(17)).canonicalPath(),
             QDir(chosen).canonicalPath());
}

void TestProjectsIntegration::dockAndItsAction()
{
    createWindow();
    auto *dock = child<QDockWidget>(u"dock_projects"_s);
    QAction *action = ActionOf(*m_window, "actionProjects");
    QVERIFY(action->isChecked());
    dock->close();
    QVERIFY(!action->isChecked());
    action->trigger();
    QVERIFY(dock->isVisible());
    QVERIFY(action->isChecked());
    // Hidden as a whole window, the dock keeps its check.
    m_window->hide();
    QVERIFY(action->isChecked());
}

// Watching a command shows its decoding, or its bytes as they are when it has none, in a
// plot tall enough to read; Save to Command stores what the dock then holds.
void TestProjectsIntegration::watchTakesAndSavesTheDecoding()
{
    SI2cCommand raw;
    raw.label = u"Humidity"_s;
    raw.type = EI2cCommandType::WriteRead;
    raw.data = {0xE5};
    raw.count = 2;
    SI2cCommand decoded = raw;
    decoded.label = u"Temperature"_s;
    decoded.value = SValueDecoding{0, EValueType::U16Be, 0.01, -40, u"\u00B0C"_s};
    writeDevice(u"climate.i2cdev"_s, u"Climate"_s, 0x44, {decoded, raw});
    createWindow();
    auto *panel = m_window->findChild<WatchPanel *>();
    auto *save = child<QPushButton>(u"btn_watch_save_decoding"_s);
    const auto watch = [&](const SI2cCommand &command) {
        QMetaObject::invokeMethod(m_window.get(), "onWatchCommand", Qt::DirectConnection,
                                  Q_ARG(uint8_t, 0x44), Q_ARG(SI2cCommand, command));
    };
    watch(decoded);
    QCOMPARE(panel->decoding(), *decoded.value);
    QVERIFY(save->isVisibleTo(m_window.get()));
    auto *plot = child<QWidget>(u"plot_watch"_s);
    QTRY_VERIFY(plot->isVisible());
    QVERIFY2(plot->height() >= 120, qPrintable(QString::number(plot->height())));

    watch(raw);
    QCOMPARE(panel->decoding(), SValueDecoding());
    child<QComboBox>(u"cmb_watch_type"_s)->setCurrentText(u"u16le"_s);
    child<QLineEdit>(u"edit_watch_unit"_s)->setText(u"%RH"_s);
    save->click();
    QCOMPARE(loadDevice(u"climate.i2cdev"_s).GetCommands().at(1).value, panel->decoding());
    QCOMPARE(m_window->statusBar()->currentMessage(), u"Decoding saved to \"Humidity\""_s);
    // Stored once, the command is found again for the next save.
    child<QLineEdit>(u"edit_watch_unit"_s)->setText(u"%"_s);
    save->click();
    QCOMPARE(loadDevice(u"climate.i2cdev"_s).GetCommands().at(1).value->unit, u"%"_s);
    QVERIFY(m_watcher->boxes.isEmpty());

    child<QComboBox>(u"cmb_i2c_device"_s)->setEditText(u"0x44"_s);
    child<QAbstractButton>(u"btn_watch_from_fields"_s)->click();
    QVERIFY(!save->isVisibleTo(m_window.get()));
}

VTL_TEST_MAIN(TestProjectsIntegration)
#include "tst_projectsintegration.moc"
