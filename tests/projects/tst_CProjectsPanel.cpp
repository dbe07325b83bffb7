// SPDX-License-Identifier: MIT
#include "PanelTestSupport.h"
#include "VtlTestMain.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

// The resource bundle is a static library; its initialiser has to be named at global scope.
static void InitResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const QString KEY_FOLDER = u"projects/folder"_s;
const QString KEY_EXPANDED = u"projects/expanded"_s;
const QString KEY_EXAMPLES = u"projects/examplesInstalled"_s;

QList<SI2cCommand> BetaCommands()
{
    return {ReadCommand(u"Get"_s, 2), WriteCommand(u"Set"_s, {0x01}),
            WriteCommand(u"Reset"_s, {0x07})};
}

QString TrashFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s;
}

// Accepts the window an operation opens, with "Store" where it asks for a label.
void Accept(QDialog *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        ClickButton(box, QMessageBox::Yes);
    } else if (auto *input = qobject_cast<QInputDialog *>(dialog)) {
        input->setTextValue(u"Store"_s);
        input->accept();
    } else if (auto *device = qobject_cast<ProjectDeviceDialog *>(dialog)) {
        FillDeviceDialog(device, u"Beta Two"_s, u"0x22"_s);
        ClickOk(device);
    } else if (auto *command = qobject_cast<CommandDialog *>(dialog)) {
        FillCommandDialog(command, u"Store"_s, EI2cCommandType::Write, EI2cWriteMode::Auto, u"02"_s,
                          1);
        ClickOk(command);
    }
}

} // namespace

class tst_CProjectsPanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    // What ShiftUnder() left: the files that must not change, and whether the tree showed
    // the shifted folder before the window closed.
    std::map<QString, QByteArray> m_untouched;
    bool m_reloaded = false;
    std::unique_ptr<CPanelHost> m_host;

    QString Path(const QString &name) const { return m_folder + u'/' + name; }

    // The row "Device" or "Device/Label".
    QModelIndex At(const QString &row) const
    {
        const QStringList parts = row.split(u'/');
        return parts.size() > 1 ? m_host->CommandRow(parts.at(0), parts.at(1))
                                : m_host->Row(parts.at(0));
    }

    // Settings as a user who has run the program before, then a panel on a shown host.
    CPanelHost &Start(bool firstStart = false)
    {
        QSettings settings;
        settings.setValue(KEY_FOLDER, m_folder);
        if (!firstStart)
            settings.setValue(KEY_EXAMPLES, true);
        return Restart();
    }

    CPanelHost &Restart()
    {
        m_host.reset();
        m_host = std::make_unique<CPanelHost>();
        m_host->CreatePanel();
        m_host->show();
        if (!QTest::qWaitForWindowExposed(m_host.get()))
            qWarning("host window not exposed");
        return *m_host;
    }

    // Alpha, Beta (Get, Set, Reset) and Gamma.
    void WriteThreeDevices()
    {
        QVERIFY(WriteDevice(Path(u"a.i2cdev"_s), u"Alpha"_s, 0x10));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, BetaCommands(), u"second"_s));
        QVERIFY(WriteDevice(Path(u"c.i2cdev"_s), u"Gamma"_s, 0x30));
    }

    // While a window of an operation on Beta is open: Alpha goes, two devices that sort
    // before Beta arrive, so every index taken before now points elsewhere. Returns the
    // files that must stay as they are.
    std::map<QString, QByteArray> ShiftIndexes()
    {
        QFile::remove(Path(u"a.i2cdev"_s));
        WriteDevice(Path(u"z1.i2cdev"_s), u"Aaron"_s, 0x11);
        WriteDevice(Path(u"z2.i2cdev"_s), u"Abel"_s, 0x12);
        std::map<QString, QByteArray> untouched;
        for (const QString &name : {u"c.i2cdev"_s, u"z1.i2cdev"_s, u"z2.i2cdev"_s})
            untouched[name] = ReadBytes(Path(name));
        return untouched;
    }

    // ShiftIndexes() from inside an open window, then what else changes meanwhile; with
    // waitForReload, also the wait until the tree shows the new folder, so the operation
    // meets a reloaded list.
    void ShiftUnder(bool waitForReload, const std::function<void()> &meanwhile = {})
    {
        m_untouched = ShiftIndexes();
        if (meanwhile)
            meanwhile();
        m_reloaded = !waitForReload || WaitForShiftedTree();
    }

    bool WaitForShiftedTree() const
    {
        return QTest::qWaitFor([this] {
            return m_host->TopLevelNames() ==
                   QStringList{u"Aaron"_s, u"Abel"_s, u"Beta"_s, u"Gamma"_s};
        });
    }

    void CheckUntouched(const std::map<QString, QByteArray> &untouched)
    {
        for (const auto &[name, bytes] : untouched)
            QVERIFY2(ReadBytes(Path(name)) == bytes, qPrintable(name));
        QVERIFY(!QFileInfo::exists(Path(u"a.i2cdev"_s)));
    }

    void OpenMenu(const QModelIndex &index)
    {
        QTreeView *tree = m_host->tree;
        if (index.parent().isValid())
            tree->expand(index.parent());
        const QPoint pos = index.isValid() ? tree->visualRect(index).center()
                                           : QPoint(5, tree->viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(tree->viewport(), &event);
    }

    void Click(const QModelIndex &index, bool twice = false)
    {
        QTreeView *tree = m_host->tree;
        const QPoint pos = tree->visualRect(index).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, pos);
        if (twice) {
            // What a platform delivers: the second press comes as a double click.
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, pos);
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, pos);
        }
    }

    static void AddWaitRows()
    {
        QTest::addColumn<bool>("waitForReload");
        QTest::newRow("reloaded while open") << true;
        QTest::newRow("changed just before closing") << false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitResources();
        CProjectsPanel::AddFirstStartExample(u":/test/eeprom.i2cdev"_s);
    }

    void init()
    {
        QSettings().clear();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = QDir::cleanPath(m_dir->path() + u"/projects"_s);
        QVERIFY(QDir().mkpath(m_folder));
        m_untouched.clear();
        m_reloaded = false;
    }

    void cleanup()
    {
        m_host.reset();
        m_dir.reset();
        QSettings().clear();
        QDir(TrashFolder()).removeRecursively();
    }

    void firstStart_data()
    {
        QTest::addColumn<bool>("offeredBefore");
        QTest::addColumn<bool>("folderHasDevice");
        QTest::addColumn<bool>("expectExample");
        QTest::newRow("empty folder, first start") << false << false << true;
        QTest::newRow("folder holds a device file") << false << true << false;
        QTest::newRow("offered before") << true << false << false;
    }

    void firstStart()
    {
        QFETCH(bool, offeredBefore);
        QFETCH(bool, folderHasDevice);
        QFETCH(bool, expectExample);
        if (offeredBefore)
            QSettings().setValue(KEY_EXAMPLES, true);
        if (folderHasDevice)
            QVERIFY(WriteDevice(Path(u"mine.i2cdev"_s), u"Mine"_s, 0x10));
        CPanelHost &host = Start(true);

        // The built-in example and the one registered in initTestCase().
        const QStringList examples{u"bh1750.i2cdev"_s, u"eeprom.i2cdev"_s};
        QCOMPARE(QDir(m_folder).entryList(examples, QDir::Files),
                 expectExample ? examples : QStringList());
        QVERIFY(QSettings().value(KEY_EXAMPLES).toBool());
        if (!expectExample)
            return;
        for (const QString &resource : {u":/examples/bh1750.i2cdev"_s, u":/test/eeprom.i2cdev"_s}) {
            const QString copy = Path(QFileInfo(resource).fileName());
            QCOMPARE(ReadBytes(copy), ReadBytes(resource));
            QCOMPARE(int(QFile::permissions(copy)), 0x6644);
        }
        QCOMPARE(host.TopLevelNames(), (QStringList{u"BH1750"_s, u"EEPROM"_s}));
        QCOMPARE(host.Row(u"BH1750"_s).siblingAtColumn(2).data().toString(), u"0x23"_s);
        QCOMPARE(host.ChildLabels(u"BH1750"_s).size(), 8);

        // Deleted and restarted: the examples are not offered again.
        for (const QString &example : examples)
            QVERIFY(QFile::remove(Path(example)));
        Restart();
        QVERIFY(m_host->TopLevelNames().isEmpty());
    }

    void sorting()
    {
        QVERIFY(WriteDevice(Path(u"a.i2cdev"_s), u"gamma"_s, 1));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"beta"_s, 2));
        QVERIFY(WriteDevice(Path(u"c.i2cdev"_s), u"Alpha"_s, 3));
        QVERIFY(WriteDevice(Path(u"zzz.i2cdev"_s), u"Aardvark"_s, 4));
        QVERIFY(WriteBytes(Path(u"broken.i2cdev"_s), "{ not json"));
        // Enough names equal but for case that an unstable sort would mix them.
        const QStringList cases{u"sensor"_s, u"SENSOR"_s, u"Sensor"_s, u"sEnsor"_s};
        QStringList sensorFiles;
        for (int i = 0; i < 24; ++i) {
            const QString name = u"s%1.i2cdev"_s.arg(23 - i, 2, 10, QLatin1Char('0'));
            QVERIFY(WriteDevice(Path(name), cases.at(i % cases.size()), 5));
            sensorFiles.prepend(name);
        }
        CPanelHost &host = Start();

        for (int round = 0; round < 3; ++round) {
            const QStringList names = host.TopLevelNames();
            QCOMPARE(names.mid(0, 4),
                     (QStringList{u"Aardvark"_s, u"Alpha"_s, u"beta"_s, u"gamma"_s}));
            QCOMPARE(names.last(), u"broken.i2cdev"_s);
            QStringList files;
            for (int row = 4; row < 4 + 24; ++row)
                files.append(QFileInfo(host.Proxy()->index(row, 0).data(ROLE_FILE_PATH).toString())
                                 .fileName());
            QCOMPARE(files, sensorFiles);
            host.reloadButton->click();
        }
    }

    void rowTexts()
    {
        const auto withUnit = [](SI2cCommand command, const QString &unit) {
            command.value = SValueDecoding{0, EValueType::S16Be, 0.1, 0, unit};
            return command;
        };
        QVERIFY(WriteDevice(
            Path(u"dev.i2cdev"_s), u"Dev"_s, 0x23,
            {ReadCommand(u"R2"_s, 2), ReadCommand(u"R1"_s, 1),
             WriteCommand(u"Auto"_s, {0x01, 0xA5}),
             WriteCommand(u"Start"_s, {0x10}, EI2cWriteMode::Start),
             WriteCommand(u"Stop"_s, {0x11}, EI2cWriteMode::Stop),
             WriteCommand(u"None"_s, {0x12}, EI2cWriteMode::None), WriteCommand(u"Ping"_s, {}),
             WriteReadCommand(u"Peek"_s, {0x10}, 4), withUnit(ReadCommand(u"Lux"_s, 2), u"lx"_s),
             withUnit(WriteReadCommand(u"Temp"_s, {0x00}, 2), u"°C"_s),
             SequenceCommand(u"Seq"_s, {u"# one-shot"_s, u"w2 01 81"_s, u"delay 2ms"_s, u""_s,
                                        u"repeat 2"_s, u"r2"_s, u"end"_s, u"echo done"_s, u"r1"_s}),
             SequenceCommand(u"One"_s, {u"r1"_s})}));
        CPanelHost &host = Start();
        QAbstractItemModel *model = host.Proxy();
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"Name"_s);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"Type"_s);
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), u"Data"_s);

        const QModelIndex device = host.Row(u"Dev"_s);
        QCOMPARE(device.siblingAtColumn(1).data().toString(), QString());
        QCOMPARE(device.siblingAtColumn(2).data().toString(), u"0x23"_s);
        QCOMPARE(device.data(Qt::FontRole).value<QFont>().weight(), QFont::Bold);
        // The whole name with the file, for a name the column elides.
        QCOMPARE(device.data(Qt::ToolTipRole).toString(),
                 u"Dev\n"_s + QDir::toNativeSeparators(Path(u"dev.i2cdev"_s)));
        QVERIFY(!(device.flags() & Qt::ItemIsEditable));

        const QList<QStringList> expected{{u"R2"_s, u"Read"_s, u"2 byte(s)"_s},
                                          {u"R1"_s, u"Read"_s, u"1 byte(s)"_s},
                                          {u"Auto"_s, u"Write"_s, u"01 A5"_s},
                                          {u"Start"_s, u"Write (Start)"_s, u"10"_s},
                                          {u"Stop"_s, u"Write (Stop)"_s, u"11"_s},
                                          {u"None"_s, u"Write (None)"_s, u"12"_s},
                                          {u"Ping"_s, u"Write"_s, u"(address only)"_s},
                                          {u"Peek"_s, u"Write/Read"_s, u"10 > 4 byte(s)"_s},
                                          {u"Lux"_s, u"Read"_s, u"2 byte(s) lx"_s},
                                          {u"Temp"_s, u"Write/Read"_s, u"00 > 2 byte(s) °C"_s},
                                          {u"Seq"_s, u"Sequence"_s, u"7 steps"_s},
                                          {u"One"_s, u"Sequence"_s, u"1 step"_s}};
        QCOMPARE(model->rowCount(device), expected.size());
        for (int row = 0; row < expected.size(); ++row) {
            QStringList texts;
            for (int column = 0; column < 3; ++column) {
                const QModelIndex index = model->index(row, column, device);
                texts.append(index.data().toString());
                QVERIFY(!(index.flags() & Qt::ItemIsEditable));
            }
            QCOMPARE(texts, expected.at(row));
        }
    }

    void ignoredEntries()
    {
        QVERIFY(WriteDevice(Path(u"real.i2cdev"_s), u"Real"_s, 1));
        QVERIFY(WriteDevice(Path(u"other.json"_s), u"Other"_s, 2));
        QVERIFY(WriteDevice(Path(u".hidden.i2cdev"_s), u"Hidden"_s, 3));
        QVERIFY(QDir().mkpath(Path(u"folder.i2cdev"_s)));
        QCOMPARE(Start().TopLevelNames(), QStringList{u"Real"_s});
    }

    void brokenFileRepairedAndBrokenAgain()
    {
        QVERIFY(WriteDevice(Path(u"good.i2cdev"_s), u"Good"_s, 1, {}, u"fine"_s));
        QVERIFY(WriteBytes(Path(u"broken.i2cdev"_s), "{ \"version\": 1 }"));
        CPanelHost &host = Start();
        QSignalSpy device(host.panel, &CProjectsPanel::deviceSelected);
        QSignalSpy command(host.panel, &CProjectsPanel::commandSelected);

        const QModelIndex error = host.Row(u"broken.i2cdev"_s);
        QVERIFY(error.isValid());
        QCOMPARE(error.row(), 1);
        QCOMPARE(error.siblingAtColumn(1).data().toString(), QString());
        QCOMPARE(error.siblingAtColumn(2).data().toString(), u"Error"_s);
        for (int column = 0; column < 3; ++column) {
            const QModelIndex item = error.siblingAtColumn(column);
            QCOMPARE(item.data(Qt::ForegroundRole).value<QBrush>().color(),
                     QColor(0xF4, 0x43, 0x36));
            QCOMPARE(item.data(Qt::ToolTipRole).toString(), u"Invalid or missing address"_s);
        }
        Click(error);
        QCOMPARE(host.description->text(), u"Invalid or missing address"_s);
        QCOMPARE(device.count() + command.count(), 0);

        // Repaired on disk: a device again, current as before, watched all along.
        QVERIFY(WriteDevice(Path(u"broken.i2cdev"_s), u"Mended"_s, 2, {}, u"works"_s));
        QTRY_COMPARE(host.TopLevelNames(), (QStringList{u"Good"_s, u"Mended"_s}));
        QCOMPARE(host.CurrentText(), u"Mended"_s);
        QCOMPARE(host.description->text(), u"works"_s);

        // Broken from outside, written in place: a red row again. The mended file is a new
        // file under the old name, and a change in place is all it reports.
        QVERIFY(WriteBytes(Path(u"good.i2cdev"_s), "garbage"));
        QTRY_COMPARE(host.TopLevelNames(), (QStringList{u"Mended"_s, u"good.i2cdev"_s}));
        QVERIFY(host.Row(u"good.i2cdev"_s)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(u"JSON error at line 1"_s));
        QVERIFY(WriteBytes(Path(u"broken.i2cdev"_s), "{}"));
        QTRY_COMPARE(host.TopLevelNames(), (QStringList{u"broken.i2cdev"_s, u"good.i2cdev"_s}));
    }

    void filter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("type of one command")
            << u"read"_s << QStringList{u"Sensor"_s} << QStringList{u"Get"_s};
        QTest::newRow("device name")
            << u"sens"_s << QStringList{u"Sensor"_s} << QStringList{u"Get"_s, u"Set"_s};
        QTest::newRow("device address")
            << u"0x48"_s << QStringList{u"Sensor"_s} << QStringList{u"Get"_s, u"Set"_s};
        QTest::newRow("command data")
            << u"A5"_s << QStringList{u"Sensor"_s} << QStringList{u"Set"_s};
        QTest::newRow("error row") << u"error"_s << QStringList{u"bad.i2cdev"_s} << QStringList();
        QTest::newRow("nothing") << u"zzz"_s << QStringList() << QStringList();
    }

    void filter()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, children);
        QVERIFY(WriteDevice(Path(u"sensor.i2cdev"_s), u"Sensor"_s, 0x48,
                            {ReadCommand(u"Get"_s, 2), WriteCommand(u"Set"_s, {0xA5})}));
        QVERIFY(WriteDevice(Path(u"lamp.i2cdev"_s), u"Lamp"_s, 0x20, {WriteCommand(u"On"_s, {1})}));
        QVERIFY(WriteBytes(Path(u"bad.i2cdev"_s), "[]"));
        CPanelHost &host = Start();

        QTest::keyClicks(host.filter, text);
        QCOMPARE(host.TopLevelNames(), rows);
        if (!rows.isEmpty() && !children.isEmpty()) {
            QCOMPARE(host.ChildLabels(rows.first()), children);
            QVERIFY(host.tree->isExpanded(host.Row(rows.first())));
        }
    }

    void notationChangeRefilters()
    {
        WriteThreeDevices();
        QVERIFY(WriteDevice(Path(u"d.i2cdev"_s), u"Delta"_s, 0x10, {WriteCommand(u"x"_s, {1})}));
        CPanelHost &host = Start();
        QTest::keyClicks(host.filter, u"0x20"_s);
        QCOMPARE(host.TopLevelNames(), QStringList{u"Beta"_s});
        host.eightBit = true;
        host.panel->RefreshAddresses();
        QCOMPARE(host.TopLevelNames(), (QStringList{u"Alpha"_s, u"Delta"_s}));
        QVERIFY(host.tree->isExpanded(host.Row(u"Delta"_s)));
    }

    void filterRestoresExpansionAndStoresNothing()
    {
        QVERIFY(WriteDevice(Path(u"a.i2cdev"_s), u"Alpha"_s, 1, {WriteCommand(u"x1"_s, {1})}));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 2, {WriteCommand(u"x2"_s, {2})}));
        CPanelHost &host = Start();
        host.tree->expand(host.Row(u"Alpha"_s));
        const QStringList stored{Path(u"a.i2cdev"_s)};
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), stored);

        QTest::keyClicks(host.filter, u"x"_s);
        QVERIFY(host.tree->isExpanded(host.Row(u"Beta"_s)));
        host.tree->collapse(host.Row(u"Alpha"_s)); // made under a filter: not recorded
        host.reloadButton->click();
        QVERIFY(host.tree->isExpanded(host.Row(u"Alpha"_s)));
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), stored);

        host.filter->clear();
        QVERIFY(host.tree->isExpanded(host.Row(u"Alpha"_s)));
        QVERIFY(!host.tree->isExpanded(host.Row(u"Beta"_s)));
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), stored);
    }

    void selectionKeptAcrossReloads()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.CommandRow(u"Beta"_s, u"Set"_s));

        // Beta's place in the list moves from 1 to 2.
        QVERIFY(WriteDevice(Path(u"0.i2cdev"_s), u"Aaron"_s, 5));
        QTRY_COMPARE(host.TopLevelNames(),
                     (QStringList{u"Aaron"_s, u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
        QCOMPARE(host.CurrentText(), u"Beta/Set"_s);
        QCOMPARE(host.description->text(), u"second"_s);

        host.eightBit = true;
        host.panel->RefreshAddresses();
        QCOMPARE(host.CurrentText(), u"Beta/Set"_s);
        QCOMPARE(host.Row(u"Beta"_s).siblingAtColumn(2).data().toString(), u"0x40"_s);

        QVERIFY(QFile::remove(Path(u"b.i2cdev"_s)));
        QTRY_COMPARE(host.TopLevelNames(), (QStringList{u"Aaron"_s, u"Alpha"_s, u"Gamma"_s}));
        QCOMPARE(host.description->text(), QString());
    }

    void signalsFromMouseOnly()
    {
        WriteThreeDevices();
        QVERIFY(WriteBytes(Path(u"x.i2cdev"_s), "nope"));
        CPanelHost &host = Start();
        QSignalSpy device(host.panel, &CProjectsPanel::deviceSelected);
        QSignalSpy command(host.panel, &CProjectsPanel::commandSelected);
        QSignalSpy execute(host.panel, &CProjectsPanel::commandExecuteRequested);
        host.tree->expand(host.Row(u"Beta"_s));

        host.tree->setFocus();
        host.tree->setCurrentIndex(host.Row(u"Alpha"_s));
        QTest::keyClick(host.tree, Qt::Key_Down);
        QCOMPARE(host.CurrentText(), u"Beta"_s);
        QCOMPARE(host.description->text(), u"second"_s);
        QTest::keyClick(host.tree, Qt::Key_Down);
        QCOMPARE(host.CurrentText(), u"Beta/Get"_s);
        QCOMPARE(device.count() + command.count() + execute.count(), 0);

        Click(host.Row(u"Beta"_s).siblingAtColumn(2));
        QCOMPARE(device.count(), 1);
        QCOMPARE(device.at(0).at(0).value<unsigned char>(), 0x20);

        Click(host.CommandRow(u"Beta"_s, u"Set"_s));
        QCOMPARE(command.count(), 1);
        QCOMPARE(command.at(0).at(0).value<unsigned char>(), 0x20);
        QCOMPARE(command.at(0).at(1).value<SI2cCommand>(), BetaCommands().at(1));

        Click(host.CommandRow(u"Beta"_s, u"Reset"_s), true);
        QCOMPARE(execute.count(), 1);
        QCOMPARE(execute.at(0).at(1).value<SI2cCommand>(), BetaCommands().at(2));

        Click(host.Row(u"Gamma"_s), true);
        QCOMPARE(execute.count(), 1);
        const int before = device.count() + command.count();
        Click(host.Row(u"x.i2cdev"_s), true);
        QCOMPARE(device.count() + command.count() + execute.count(), before + 1);
    }

    void newDeviceFileNames()
    {
        CPanelHost &host = Start();
        const QList<std::pair<QString, QString>> cases{
            {u"BH1750 Sensor #2"_s, u"bh1750_sensor_2.i2cdev"_s},
            {u"BH1750_Sensor 2"_s, u"bh1750_sensor_2_2.i2cdev"_s},
            {u"bh1750 sensor  2"_s, u"bh1750_sensor_2_3.i2cdev"_s},
            {u"bh1750-sensor-2"_s, u"bh1750-sensor-2.i2cdev"_s},
            {u"###"_s, u"device.i2cdev"_s},
            {u"Über__Gerät"_s, u"ber__ger_t.i2cdev"_s},
        };
        for (const auto &[name, fileName] : cases) {
            CModalScript script;
            script.Then<ProjectDeviceDialog>([&](ProjectDeviceDialog *dialog) {
                FillDeviceDialog(dialog, name, u"0x21"_s, u"  line one\nline two  \n"_s);
                ClickOk(dialog);
            });
            host.newButton->click();
            QVERIFY2(script.Done(), qPrintable(script.Failure()));
            const std::optional<CI2cDeviceFile> file = LoadDevice(Path(fileName));
            QVERIFY2(file, qPrintable(fileName));
            QCOMPARE(file->GetName(), name.trimmed());
            QCOMPARE(file->GetAddress(), 0x21);
            QCOMPARE(file->GetDescription(), u"line one\nline two"_s);
            QCOMPARE(host.CurrentText(), name.trimmed());
            QVERIFY(QSettings().value(KEY_EXPANDED).toStringList().contains(Path(fileName)));
        }
    }

    void deviceNamesUniqueAcrossCase()
    {
        QVERIFY(WriteDevice(Path(u"s.i2cdev"_s), u"Sensor"_s, 0x23));
        CPanelHost &host = Start();

        {
            // A new device may not take the name in another case; cancelled, nothing is created.
            CModalScript refused;
            refused
                .Then<ProjectDeviceDialog>([](ProjectDeviceDialog *dialog) {
                    FillDeviceDialog(dialog, u"  sENSOR "_s, u"0x10"_s);
                    ClickOk(dialog);
                })
                .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
                .Then<ProjectDeviceDialog>([](ProjectDeviceDialog *dialog) { dialog->reject(); })
                .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
            host.newButton->click();
            QVERIFY2(refused.Done(), qPrintable(refused.Failure()));
            QCOMPARE(refused.Seen().at(1),
                     u"New Device: A device named \"sENSOR\" already exists."_s);
            QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{u"s.i2cdev"_s});
        }

        // Its own name in another case, in another notation: accepted, same file.
        host.eightBit = true;
        host.panel->RefreshAddresses();
        QString shownAddress;
        CModalScript renamed;
        renamed.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Properties..."_s); })
            .Then<ProjectDeviceDialog>([&](ProjectDeviceDialog *dialog) {
                shownAddress = dialog->findChild<QLineEdit *>(u"addressEdit"_s)->text();
                FillDeviceDialog(dialog, u"SENSOR"_s, u"0xA0"_s, u"new"_s);
                ClickOk(dialog);
            });
        OpenMenu(host.Row(u"Sensor"_s));
        QVERIFY2(renamed.Done(), qPrintable(renamed.Failure()));
        QCOMPARE(shownAddress, u"0x46"_s);
        QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{u"s.i2cdev"_s});
        const std::optional<CI2cDeviceFile> file = LoadDevice(Path(u"s.i2cdev"_s));
        QCOMPARE(file->GetName(), u"SENSOR"_s);
        QCOMPARE(file->GetAddress(), 0x50);
        QCOMPARE(host.CurrentText(), u"SENSOR"_s);
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("entries");
        const QStringList deviceEntries{u"Add Command..."_s, u"New Sequence..."_s,  u"-"_s,
                                        u"Properties..."_s,  u"Delete Device..."_s, u"-"_s};
        const QStringList always{u"New Device..."_s, u"Open Projects Folder"_s};
        const auto commandEntries = [](bool up, bool down, bool watch = false) {
            QStringList entries{u"Execute"_s, u"Load into Fields"_s};
            // Reads can be watched, writes cannot.
            if (watch)
                entries << u"Watch"_s;
            return entries + QStringList{u"-"_s,
                                         u"Rename..."_s,
                                         u"Edit..."_s,
                                         up ? u"Move Up"_s : u"Move Up (off)"_s,
                                         down ? u"Move Down"_s : u"Move Down (off)"_s,
                                         u"Delete Command"_s,
                                         u"-"_s};
        };
        QTest::newRow("first command")
            << u"Beta"_s << u"Get"_s << commandEntries(false, true, true) + always;
        QTest::newRow("middle command")
            << u"Beta"_s << u"Set"_s << commandEntries(true, true) + always;
        QTest::newRow("last command")
            << u"Beta"_s << u"Reset"_s << commandEntries(true, false) + always;
        QTest::newRow("only command")
            << u"Solo"_s << u"One"_s << commandEntries(false, false) + always;
        QTest::newRow("device") << u"Beta"_s << QString() << deviceEntries + always;
        QTest::newRow("error row")
            << u"x.i2cdev"_s << QString() << QStringList{u"Delete File..."_s, u"-"_s} + always;
        QTest::newRow("empty space") << QString() << QString() << always;
    }

    void menuEntries()
    {
        QFETCH(QString, device);
        QFETCH(QString, command);
        QFETCH(QStringList, entries);
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, BetaCommands()));
        QVERIFY(WriteDevice(Path(u"s.i2cdev"_s), u"Solo"_s, 0x21, {WriteCommand(u"One"_s, {1})}));
        QVERIFY(WriteBytes(Path(u"x.i2cdev"_s), "{"));
        CPanelHost &host = Start();
        const QByteArray before = ReadBytes(Path(u"b.i2cdev"_s));
        QStringList shown;
        CModalScript script;
        script.Then<QMenu>([&](QMenu *menu) {
            shown = MenuEntries(menu);
            menu->close();
        });
        OpenMenu(command.isEmpty() ? host.Row(device) : host.CommandRow(device, command));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(shown, entries);
        QCOMPARE(ReadBytes(Path(u"b.i2cdev"_s)), before);
    }

    // A device's menu starts a command or a sequence without log rows; closing the dialog
    // with input asks before the input goes.
    void newCommandFromTheDeviceMenu_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("labels");
        const QStringList before{u"Get"_s, u"Set"_s, u"Reset"_s};
        QTest::newRow("add command")
            << u"Add Command..."_s << false << before + QStringList{u"Mode"_s};
        QTest::newRow("new sequence")
            << u"New Sequence..."_s << false << before + QStringList{u"Boot"_s};
        QTest::newRow("command cancelled") << u"Add Command..."_s << true << before;
        QTest::newRow("sequence cancelled") << u"New Sequence..."_s << true << before;
    }

    void newCommandFromTheDeviceMenu()
    {
        QFETCH(QString, entry);
        QFETCH(bool, cancel);
        QFETCH(QStringList, labels);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([entry](QMenu *menu) { ChooseEntry(menu, entry); });
        const auto finish = [cancel](QDialog *dialog) {
            if (cancel)
                dialog->reject();
            else
                ClickOk(dialog);
        };
        if (entry == u"Add Command..."_s) {
            script.Then<CommandDialog>([finish](CommandDialog *dialog) {
                FillCommandDialog(dialog, u"Mode"_s, EI2cCommandType::Write, EI2cWriteMode::Auto,
                                  u"01 02"_s, 1);
                finish(dialog);
            });
        } else {
            script.Then<SequenceDialog>([finish](SequenceDialog *dialog) {
                dialog->findChild<QLineEdit *>(u"labelEdit"_s)->setText(u"Boot"_s);
                dialog->findChild<QPlainTextEdit *>()->setPlainText(u"w1 06\ndelay 2ms"_s);
                finish(dialog);
            });
        }
        if (cancel)
            script.Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        OpenMenu(host.Row(u"Beta"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        if (cancel)
            QCOMPARE(script.Seen().last(),
                     script.Seen().at(1).section(u':', 0, 0) + u": Discard the changes?"_s);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))), labels);
        if (!cancel)
            QCOMPARE(host.CurrentText(), u"Beta/"_s + labels.last());
    }

    // Return runs the stored command under the cursor, as a double click does; on a device
    // row it runs nothing.
    void returnRunsTheStoredCommand()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        QSignalSpy executed(host.panel, &CProjectsPanel::commandExecuteRequested);
        host.tree->setCurrentIndex(host.Row(u"Beta"_s));
        QTest::keyClick(host.tree, Qt::Key_Return);
        QCOMPARE(executed.count(), 0);
        host.tree->setCurrentIndex(host.CommandRow(u"Beta"_s, u"Set"_s));
        QTest::keyClick(host.tree, Qt::Key_Return);
        QCOMPARE(executed.count(), 1);
        QCOMPARE(executed.at(0).at(0).value<unsigned char>(), 0x20);
        QCOMPARE(executed.at(0).at(1).value<SI2cCommand>().label, u"Set"_s);
    }

    // A sequence of log rows goes to the device at the rows' address, not to the selected
    // one; without one such device the user chooses, the device at that address first.
    void sequenceGoesToTheDeviceItAddresses_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one device at the address")
            << QStringList{u"w1@0x30 01"_s} << QString() << QString() << u"c.i2cdev"_s;
        QTest::newRow("no device at the address")
            << QStringList{u"w1@0x44 01"_s} << u"Alpha (0x10)"_s << u"Beta (0x20)"_s
            << u"b.i2cdev"_s;
        QTest::newRow("two addresses") << QStringList{u"w1@0x10 01"_s, u"r2@0x30"_s}
                                       << u"Alpha (0x10)"_s << u"Gamma (0x30)"_s << u"c.i2cdev"_s;
        QTest::newRow("choice cancelled")
            << QStringList{u"w1@0x44 01"_s} << u"Alpha (0x10)"_s << u"<cancel>"_s << QString();
    }

    void sequenceGoesToTheDeviceItAddresses()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, offered);
        QFETCH(QString, answer);
        QFETCH(QString, stored);
        WriteThreeDevices();
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.Row(u"Beta"_s));
        QString preselected;
        CModalScript script;
        if (!answer.isEmpty()) {
            script.Then<QInputDialog>([&preselected, answer](QInputDialog *dialog) {
                preselected = dialog->textValue();
                if (answer == u"<cancel>"_s)
                    return dialog->reject();
                dialog->setTextValue(answer);
                dialog->accept();
            });
        }
        if (!stored.isEmpty())
            script.Then<QInputDialog>([](QInputDialog *dialog) { dialog->accept(); });
        host.panel->AddCommand(SequenceCommand(QString(), steps));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(preselected, offered);
        for (const QString &file : {u"a.i2cdev"_s, u"b.i2cdev"_s, u"c.i2cdev"_s}) {
            const std::optional<CI2cDeviceFile> device = LoadDevice(Path(file));
            const bool hasIt = std::any_of(
                device->GetCommands().cbegin(), device->GetCommands().cend(),
                [&steps](const SI2cCommand &command) { return command.steps == steps; });
            QCOMPARE(hasIt, file == stored);
        }
    }

    void menuLoadExecuteAndWatch()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        QSignalSpy load(host.panel, &CProjectsPanel::commandSelected);
        QSignalSpy execute(host.panel, &CProjectsPanel::commandExecuteRequested);
        QSignalSpy watch(host.panel, &CProjectsPanel::commandWatchRequested);
        for (const QString &entry : {u"Load into Fields"_s, u"Execute"_s, u"Watch"_s}) {
            CModalScript script;
            script.Then<QMenu>([&](QMenu *menu) { ChooseEntry(menu, entry); });
            OpenMenu(host.CommandRow(u"Beta"_s, u"Get"_s));
            QVERIFY2(script.Done(), qPrintable(script.Failure()));
        }
        QCOMPARE(load.count(), 1);
        QCOMPARE(execute.count(), 1);
        QCOMPARE(watch.count(), 1);
        QCOMPARE(load.at(0).at(1).value<SI2cCommand>(), BetaCommands().at(0));
        QCOMPARE(execute.at(0).at(0).value<unsigned char>(), 0x20);
        QCOMPARE(watch.at(0).at(0).value<unsigned char>(), 0x20);
        QCOMPARE(watch.at(0).at(1).value<SI2cCommand>(), BetaCommands().at(0));
    }

    void moveCommands_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("first down")
            << u"Get"_s << u"Move Down"_s << QStringList{u"Set"_s, u"Get"_s, u"Reset"_s};
        QTest::newRow("last up") << u"Reset"_s << u"Move Up"_s
                                 << QStringList{u"Get"_s, u"Reset"_s, u"Set"_s};
    }

    void moveCommands()
    {
        QFETCH(QString, label);
        QFETCH(QString, entry);
        QFETCH(QStringList, order);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([&](QMenu *menu) { ChooseEntry(menu, entry); });
        OpenMenu(host.CommandRow(u"Beta"_s, label));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))), order);
        QCOMPARE(host.ChildLabels(u"Beta"_s), order);
        QCOMPARE(host.CurrentText(), u"Beta/"_s + label);
    }

    void deleteCommandSelects_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("current");
        QTest::newRow("middle") << u"Beta"_s << u"Set"_s << u"Beta/Reset"_s;
        QTest::newRow("last") << u"Beta"_s << u"Reset"_s << u"Beta/Set"_s;
        QTest::newRow("only") << u"Solo"_s << u"One"_s << u"Solo"_s;
    }

    void deleteCommandSelects()
    {
        QFETCH(QString, device);
        QFETCH(QString, label);
        QFETCH(QString, current);
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, BetaCommands()));
        QVERIFY(WriteDevice(Path(u"s.i2cdev"_s), u"Solo"_s, 0x21, {WriteCommand(u"One"_s, {1})}));
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete Command"_s); })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        OpenMenu(host.CommandRow(device, label));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(1),
                 u"Delete Command: Delete \"%1\" from \"%2\"?"_s.arg(label, device));
        QCOMPARE(host.CurrentText(), current);
        QVERIFY(!host.CommandRow(device, label).isValid());
    }

    void labels_data()
    {
        QTest::addColumn<SI2cCommand>("command");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("saved");
        const SI2cCommand read = ReadCommand(QString(), 4);
        QTest::newRow("default read label")
            << read << QStringList{QString()} << u"Read 4 byte(s)"_s;
        QTest::newRow("default address-only label")
            << WriteCommand(QString(), {}) << QStringList{QString()} << u"Write address only"_s;
        QTest::newRow("default write label")
            << WriteCommand(QString(), {0x01, 0xA5}) << QStringList{QString()} << u"Write 01 A5"_s;
        QTest::newRow("default write/read label")
            << WriteReadCommand(QString(), {0x10, 0xa5}, 4) << QStringList{QString()}
            << u"Write 10 A5, read 4 byte(s)"_s;
        QTest::newRow("taken in other case and blanks")
            << read << QStringList{u"  get "_s, u"Fetch"_s} << u"Fetch"_s;
        QTest::newRow("cancelled") << read << QStringList{u"<cancel>"_s} << QString();
        QTest::newRow("empty") << read << QStringList{u"   "_s} << QString();
    }

    void labels()
    {
        QFETCH(SI2cCommand, command);
        QFETCH(QStringList, answers);
        QFETCH(QString, saved);
        WriteThreeDevices();
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.CommandRow(u"Beta"_s, u"Set"_s));
        QSignalSpy signalSpy(host.panel, &CProjectsPanel::commandSelected);
        QStringList proposals;
        CModalScript script;
        for (const QString &answer : answers) {
            script.Then<QInputDialog>([&proposals, answer](QInputDialog *dialog) {
                proposals.append(dialog->textValue());
                if (answer == u"<cancel>"_s)
                    return dialog->reject();
                if (!answer.isEmpty())
                    dialog->setTextValue(answer);
                dialog->accept();
            });
            if (answer.trimmed() == u"get"_s)
                script.Then<QMessageBox>(
                    [](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); });
        }
        host.panel->AddCommand(command);
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().first(), u"Save Command: Label for the command in \"Beta\":"_s);

        const QStringList labels = Labels(LoadDevice(Path(u"b.i2cdev"_s)));
        if (saved.isEmpty()) {
            QCOMPARE(labels, (QStringList{u"Get"_s, u"Set"_s, u"Reset"_s}));
            return;
        }
        QCOMPARE(labels, (QStringList{u"Get"_s, u"Set"_s, u"Reset"_s, saved}));
        if (answers.size() > 1) {
            QCOMPARE(
                script.Seen().at(1),
                u"Save Command: \"get\" already exists in \"Beta\".\nPlease choose a different label."_s);
            QCOMPARE(proposals.at(1), u"get"_s); // the refused answer comes back
        } else {
            QCOMPARE(proposals.first(), saved);
        }
        QCOMPARE(host.CurrentText(), u"Beta/"_s + saved);
        QVERIFY(host.tree->isExpanded(host.Row(u"Beta"_s)));
        QCOMPARE(signalSpy.count(), 0);
    }

    // A device file that would grow past what loading accepts is not written, or its device
    // would turn into an error row.
    void saveRefusedOverSizeLimit()
    {
        const QString path = Path(u"big.i2cdev"_s);
        const std::vector<unsigned char> block(16000, 0xAB);
        const auto label = [](qsizetype i) {
            return u"c%1"_s.arg(i, 2, 10, QLatin1Char('0'));
        };
        CI2cDeviceFile file;
        file.SetName(u"Big"_s);
        file.AddCommand(WriteCommand(label(0), block));
        QVERIFY(file.SaveAs(path));
        const qint64 one = QFileInfo(path).size();
        file.AddCommand(WriteCommand(label(1), block));
        QVERIFY(file.Save());
        const qint64 perCommand = QFileInfo(path).size() - one;
        const qint64 limit = 4 * 1024 * 1024;
        for (qint64 size = one + perCommand; size + perCommand <= limit; size += perCommand)
            file.AddCommand(WriteCommand(label(file.GetCommands().size()), block));
        QVERIFY(file.Save());
        QVERIFY(QFileInfo(path).size() > limit - perCommand);
        const QByteArray before = ReadBytes(path);

        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.Row(u"Big"_s));
        CModalScript script;
        script
            .Then<QInputDialog>([](QInputDialog *dialog) {
                dialog->setTextValue(u"more"_s);
                dialog->accept();
            })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); });
        host.panel->AddCommand(WriteCommand(QString(), block));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(script.Seen().at(1).startsWith(u"Projects: Could not save the file:\n"_s +
                                               QDir::toNativeSeparators(path) +
                                               u"\n\nFile size "_s));
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(host.TopLevelNames(), QStringList{u"Big"_s});
    }

    void renameRefusesTakenLabel()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Rename..."_s); })
            .Then<QInputDialog>([](QInputDialog *dialog) {
                dialog->setTextValue(u"RESET"_s);
                dialog->accept();
            })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
            .Then<QInputDialog>([](QInputDialog *dialog) {
                dialog->setTextValue(u" set "_s); // its own label in another case is fine
                dialog->accept();
            });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(1), u"Rename Command: Label:"_s);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))),
                 (QStringList{u"Get"_s, u"set"_s, u"Reset"_s}));
        QCOMPARE(host.CurrentText(), u"Beta/set"_s);
    }

    void saveCommandWithoutDevice_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void saveCommandWithoutDevice()
    {
        QFETCH(bool, create);
        QVERIFY(WriteBytes(Path(u"x.i2cdev"_s), "{"));
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.Row(u"x.i2cdev"_s)); // an error row is no device
        host.currentAddress = 0x48;
        QString address;
        CModalScript script;
        script.Then<QMessageBox>([create](QMessageBox *box) {
            ClickButton(box, create ? QMessageBox::Yes : QMessageBox::No);
        });
        if (create) {
            script
                .Then<ProjectDeviceDialog>([&address](ProjectDeviceDialog *dialog) {
                    address = dialog->findChild<QLineEdit *>(u"addressEdit"_s)->text();
                    FillDeviceDialog(dialog, u"Light"_s);
                    ClickOk(dialog);
                })
                .Then<QInputDialog>([](QInputDialog *dialog) { dialog->accept(); });
        }
        host.panel->AddCommand(ReadCommand(QString(), 2));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().first(),
                 u"Save Command: No device selected in the projects list.\nCreate a new device?"_s);
        if (!create) {
            QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{u"x.i2cdev"_s});
            return;
        }
        QCOMPARE(address, u"0x48"_s);
        QCOMPARE(script.Seen().at(2), u"Save Command: Label for the command in \"Light\":"_s);
        const std::optional<CI2cDeviceFile> file = LoadDevice(Path(u"light.i2cdev"_s));
        QVERIFY(file);
        QCOMPARE(file->GetAddress(), 0x48);
        QCOMPARE(Labels(file), QStringList{u"Read 2 byte(s)"_s});
        QCOMPARE(host.CurrentText(), u"Light/Read 2 byte(s)"_s);
    }

    void threeFilesCopiedGiveOneReload()
    {
        QVERIFY(WriteDevice(Path(u"first.i2cdev"_s), u"First"_s, 1));
        QTemporaryDir staging;
        for (const QString &name : {u"p"_s, u"q"_s, u"r"_s})
            QVERIFY(WriteDevice(staging.filePath(name + u".i2cdev"_s), name, 2));
        CPanelHost &host = Start();
        QSignalSpy rebuilt(host.Source(), &QAbstractItemModel::modelReset);

        for (const QString &name : {u"p"_s, u"q"_s, u"r"_s})
            QVERIFY(QFile::copy(staging.filePath(name + u".i2cdev"_s), Path(name + u".i2cdev"_s)));
        QElapsedTimer sinceLastCopy;
        sinceLastCopy.start();
        QVERIFY(rebuilt.wait(5000));
        QVERIFY(sinceLastCopy.elapsed() >= 250);
        QCOMPARE(host.TopLevelNames(), (QStringList{u"First"_s, u"p"_s, u"q"_s, u"r"_s}));
        QVERIFY(!rebuilt.wait(1000));
        QCOMPARE(rebuilt.count(), 1);
    }

    void expansionKept()
    {
        WriteThreeDevices();
        QVERIFY(WriteDevice(Path(u"d.i2cdev"_s), u"Delta"_s, 0x40, {WriteCommand(u"x"_s, {1})}));
        CPanelHost &host = Start();
        host.tree->expand(host.Row(u"Beta"_s));
        const auto check = [this](const char *when) {
            QVERIFY2(m_host->tree->isExpanded(m_host->Row(u"Beta"_s)), when);
            QVERIFY2(!m_host->tree->isExpanded(m_host->Row(u"Delta"_s)), when);
        };
        host.reloadButton->click();
        check("reload");
        host.eightBit = true;
        host.panel->RefreshAddresses();
        QCOMPARE(host.Row(u"Delta"_s).siblingAtColumn(2).data().toString(), u"0x80"_s);
        check("notation");
        QVERIFY(WriteDevice(Path(u"c.i2cdev"_s), u"Gamma"_s, 0x31));
        QTRY_COMPARE(host.Row(u"Gamma"_s).siblingAtColumn(2).data().toString(), u"0x62"_s);
        check("watcher");
        Restart();
        check("restart");

        // Collapsing by double click is stored like any other toggle.
        Click(m_host->Row(u"Beta"_s), true);
        QVERIFY(!m_host->tree->isExpanded(m_host->Row(u"Beta"_s)));
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), QStringList());

        // A device deleted from outside stays in the stored list until the next toggle.
        m_host->tree->expand(m_host->Row(u"Delta"_s));
        QVERIFY(QFile::remove(Path(u"d.i2cdev"_s)));
        QTRY_VERIFY(!m_host->Row(u"Delta"_s).isValid());
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), QStringList{Path(u"d.i2cdev"_s)});
        m_host->tree->expand(m_host->Row(u"Beta"_s));
        QCOMPARE(QSettings().value(KEY_EXPANDED).toStringList(), QStringList{Path(u"b.i2cdev"_s)});
    }

    void deleteDeviceToTrash_data()
    {
        QTest::addColumn<bool>("dataFolderExists");
        QTest::newRow("data folder missing") << false;
        QTest::newRow("data folder present") << true;
    }

    void deleteDeviceToTrash()
    {
        QFETCH(bool, dataFolderExists);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QDir(data).removeRecursively();
        if (dataFolderExists)
            QVERIFY(QDir().mkpath(data));
        QTemporaryDir workingDir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workingDir.path()));

        WriteThreeDevices();
        const QByteArray bytes = ReadBytes(Path(u"b.i2cdev"_s));
        CPanelHost &host = Start();
        host.tree->expand(host.Row(u"Beta"_s));
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete Device..."_s); })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        OpenMenu(host.Row(u"Beta"_s));
        QDir::setCurrent(previous);
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(1), u"Delete Device: Move \"Beta\" (b.i2cdev) to the trash?"_s);
        QCOMPARE(host.TopLevelNames(), (QStringList{u"Alpha"_s, u"Gamma"_s}));
        QVERIFY(!QFileInfo::exists(Path(u"b.i2cdev"_s)));
        QCOMPARE(ReadBytes(TrashFolder() + u"/files/b.i2cdev"_s), bytes);
        QVERIFY(QDir(workingDir.path()).isEmpty());
        QVERIFY(!QSettings().value(KEY_EXPANDED).toStringList().contains(Path(u"b.i2cdev"_s)));
    }

    void deleteFallsBackToRemoval()
    {
        // A data folder that cannot exist: no trash can be made, so the file is deleted.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QDir(data).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(data).absolutePath()));
        QVERIFY(WriteBytes(data, "in the way"));
        QTemporaryDir workingDir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workingDir.path()));

        WriteThreeDevices();
        QVERIFY(WriteBytes(Path(u"x.i2cdev"_s), "{"));
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete Device..."_s); })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); })
            .Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete File..."_s); })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        OpenMenu(host.Row(u"Beta"_s));
        OpenMenu(host.Row(u"x.i2cdev"_s));
        QDir::setCurrent(previous);
        QFile::remove(data);
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(3), u"Delete File: Move \"x.i2cdev\" to the trash?"_s);
        QCOMPARE(host.TopLevelNames(), (QStringList{u"Alpha"_s, u"Gamma"_s}));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files),
                 (QStringList{u"a.i2cdev"_s, u"c.i2cdev"_s}));
        QVERIFY(QDir(workingDir.path()).isEmpty());
    }

    void modelsUnderTester()
    {
        WriteThreeDevices();
        QVERIFY(WriteBytes(Path(u"x.i2cdev"_s), "{"));
        CPanelHost &host = Start();
        QAbstractItemModelTester sourceTester(
            host.Source(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester proxyTester(
            host.Proxy(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        host.tree->setCurrentIndex(host.CommandRow(u"Beta"_s, u"Set"_s));
        host.reloadButton->click();
        QTest::keyClicks(host.filter, u"se"_s);
        host.panel->RefreshAddresses();
        host.filter->clear();
        QVERIFY(WriteDevice(Path(u"d.i2cdev"_s), u"Delta"_s, 0x40));
        QVERIFY(QFile::remove(Path(u"a.i2cdev"_s)));
        QTRY_COMPARE(host.TopLevelNames(),
                     (QStringList{u"Beta"_s, u"Delta"_s, u"Gamma"_s, u"x.i2cdev"_s}));
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Move Down"_s); });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(host.ChildLabels(u"Beta"_s), (QStringList{u"Get"_s, u"Reset"_s, u"Set"_s}));
    }

    // Every editing operation while the folder changes under its open window: the change
    // lands in Beta's file and nowhere else.

    void staleProperties_data() { AddWaitRows(); }

    void staleProperties()
    {
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Properties..."_s); })
            .Then<ProjectDeviceDialog>([&](ProjectDeviceDialog *dialog) {
                // Another program adds a command to Beta meanwhile: it must survive.
                ShiftUnder(waitForReload, [this] {
                    QList<SI2cCommand> commands = BetaCommands();
                    commands.append(WriteCommand(u"External"_s, {0x42}));
                    WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, commands, u"second"_s);
                });
                FillDeviceDialog(dialog, u"Beta Two"_s, u"0x22"_s, u"edited"_s);
                ClickOk(dialog);
            });
        OpenMenu(host.Row(u"Beta"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        const std::optional<CI2cDeviceFile> beta = LoadDevice(Path(u"b.i2cdev"_s));
        QCOMPARE(beta->GetName(), u"Beta Two"_s);
        QCOMPARE(beta->GetAddress(), 0x22);
        QCOMPARE(beta->GetDescription(), u"edited"_s);
        QCOMPARE(Labels(beta), (QStringList{u"Get"_s, u"Set"_s, u"Reset"_s, u"External"_s}));
        CheckUntouched(m_untouched);
        QCOMPARE(host.CurrentText(), u"Beta Two"_s);
    }

    void staleRename_data() { AddWaitRows(); }

    void staleRename()
    {
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Rename..."_s); })
            .Then<QInputDialog>([&](QInputDialog *dialog) {
                ShiftUnder(waitForReload);
                dialog->setTextValue(u"Store"_s);
                dialog->accept();
            });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))),
                 (QStringList{u"Get"_s, u"Store"_s, u"Reset"_s}));
        CheckUntouched(m_untouched);
        QCOMPARE(host.CurrentText(), u"Beta/Store"_s);
    }

    void staleSaveCommand_data() { AddWaitRows(); }

    void staleSaveCommand()
    {
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(host.CommandRow(u"Beta"_s, u"Get"_s));
        CModalScript script;
        script.Then<QInputDialog>([&](QInputDialog *dialog) {
            ShiftUnder(waitForReload);
            dialog->accept();
        });
        host.panel->AddCommand(WriteCommand(QString(), {0x99}));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))),
                 (QStringList{u"Get"_s, u"Set"_s, u"Reset"_s, u"Write 99"_s}));
        CheckUntouched(m_untouched);
        QCOMPARE(host.CurrentText(), u"Beta/Write 99"_s);
    }

    void staleDeleteDevice_data() { AddWaitRows(); }

    void staleDeleteDevice()
    {
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete Device..."_s); })
            .Then<QMessageBox>([&](QMessageBox *box) {
                ShiftUnder(waitForReload);
                ClickButton(box, QMessageBox::Yes);
            });
        OpenMenu(host.Row(u"Beta"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        QVERIFY(!QFileInfo::exists(Path(u"b.i2cdev"_s)));
        CheckUntouched(m_untouched);
        QCOMPARE(host.TopLevelNames(), (QStringList{u"Aaron"_s, u"Abel"_s, u"Gamma"_s}));
    }

    void staleDeleteCommand_data() { AddWaitRows(); }

    void staleDeleteCommand()
    {
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Delete Command"_s); })
            .Then<QMessageBox>([&](QMessageBox *box) {
                // Beta's commands are reordered meanwhile: Set is no longer second.
                ShiftUnder(waitForReload, [this] {
                    const QList<SI2cCommand> commands = BetaCommands();
                    WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20,
                                {commands.at(1), commands.at(2), commands.at(0)}, u"second"_s);
                });
                ClickButton(box, QMessageBox::Yes);
            });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))), (QStringList{u"Reset"_s, u"Get"_s}));
        CheckUntouched(m_untouched);
        QCOMPARE(host.CurrentText(), u"Beta/Reset"_s);
    }

    void staleMenu()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([&](QMenu *menu) {
            ShiftUnder(true);
            ChooseEntry(menu, u"Move Down"_s);
        });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(m_reloaded);
        QCOMPARE(Labels(LoadDevice(Path(u"b.i2cdev"_s))),
                 (QStringList{u"Get"_s, u"Reset"_s, u"Set"_s}));
        CheckUntouched(m_untouched);
    }

    // Another program changes Beta's file while an operation's window is open: the operation
    // does nothing. "replace" puts another device with the same commands at the same path.
    void changedMeanwhile_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("entry"); // none: Save Command for the current row
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("waitForReload");
        const QList<QStringList> operations{
            {u"Device Properties"_s, u"Properties..."_s, u"Beta"_s},
            {u"Save Command"_s, QString(), u"Beta/Get"_s},
            {u"Delete Device"_s, u"Delete Device..."_s, u"Beta"_s},
            {u"Rename Command"_s, u"Rename..."_s, u"Beta/Set"_s},
            {u"Delete Command"_s, u"Delete Command"_s, u"Beta/Set"_s},
            {u"Projects"_s, u"Move Down"_s, u"Beta/Set"_s},
            {u"Edit Command"_s, u"Edit..."_s, u"Beta/Set"_s}};
        const auto add = [](const QStringList &op, const QString &change, bool wait) {
            QTest::addRow("%s, %s%s", qPrintable(op.at(0)), qPrintable(change),
                          wait ? ", reloaded while open" : "")
                << op.at(0) << op.at(1) << op.at(2) << change << wait;
        };
        for (const QStringList &operation : operations) {
            add(operation, u"replace"_s, true);
            add(operation, u"replace"_s, false);
        }
        for (const QString &change : {u"remove"_s, u"break"_s, u"command"_s})
            add(operations.at(3), change, false);
        add(operations.at(6), u"command"_s, false);
    }

    void changedMeanwhile()
    {
        QFETCH(QString, title);
        QFETCH(QString, entry);
        QFETCH(QString, row);
        QFETCH(QString, change);
        QFETCH(bool, waitForReload);
        WriteThreeDevices();
        const QString beta = Path(u"b.i2cdev"_s);
        const QByteArray alpha = ReadBytes(Path(u"a.i2cdev"_s));
        const QByteArray gamma = ReadBytes(Path(u"c.i2cdev"_s));
        CPanelHost &host = Start();
        QByteArray external;
        bool reloaded = !waitForReload;
        const auto changeBeta = [&] {
            QList<SI2cCommand> commands = BetaCommands();
            if (change == u"remove"_s) {
                QFile::remove(beta);
            } else if (change == u"break"_s) {
                WriteBytes(beta, "{ half written");
            } else if (change == u"command"_s) {
                commands[1].data = {0x55};
                WriteDevice(beta, u"Beta"_s, 0x20, commands, u"second"_s);
            } else {
                WriteDevice(beta, u"Other"_s, 0x40, commands, u"someone else"_s);
            }
            external = ReadBytes(beta);
            if (waitForReload)
                reloaded = QTest::qWaitFor([&host] { return host.Row(u"Other"_s).isValid(); });
        };
        // Moving has no window of its own: the change comes while the menu is open.
        const bool inMenu = entry == u"Move Down"_s;
        CModalScript script;
        if (!entry.isEmpty()) {
            script.Then<QMenu>([&](QMenu *menu) {
                if (inMenu)
                    changeBeta();
                ChooseEntry(menu, entry);
            });
        }
        if (!inMenu) {
            script.Then<QDialog>([&](QDialog *dialog) {
                changeBeta();
                Accept(dialog);
            });
        }
        script.Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); });
        if (entry.isEmpty()) {
            host.tree->setCurrentIndex(At(row));
            host.panel->AddCommand(WriteCommand(QString(), {0x99}));
        } else {
            OpenMenu(At(row));
        }
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QVERIFY(reloaded);
        QCOMPARE(script.Seen().last(),
                 title + u": b.i2cdev was changed or removed by another program in the "
                         u"meantime.\nNothing was done."_s);
        QCOMPARE(QFileInfo::exists(beta), change != u"remove"_s);
        QCOMPARE(ReadBytes(beta), external);
        QCOMPARE(ReadBytes(Path(u"a.i2cdev"_s)), alpha);
        QCOMPARE(ReadBytes(Path(u"c.i2cdev"_s)), gamma);
    }

    void descriptionFollowsCurrentRow_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("byNotation");
        QTest::newRow("device hidden by the filter") << u"Beta"_s << u"gamma"_s << false;
        QTest::newRow("command hidden, its device shown") << u"Beta/Set"_s << u"get"_s << false;
        // Beta is 0x20 in 7-bit notation, Alpha in 8-bit notation.
        QTest::newRow("device hidden by the notation") << u"Beta"_s << u"0x20"_s << true;
    }

    // The label under the tree never describes a row that is not shown.
    void descriptionFollowsCurrentRow()
    {
        QFETCH(QString, current);
        QFETCH(QString, filter);
        QFETCH(bool, byNotation);
        WriteThreeDevices();
        CPanelHost &host = Start();
        host.tree->setCurrentIndex(At(current));
        QTest::keyClicks(host.filter, filter);
        if (byNotation) {
            QCOMPARE(host.description->text(), u"second"_s);
            host.eightBit = true;
            host.panel->RefreshAddresses();
        }
        QCOMPARE(host.description->text(), QString());
        host.reloadButton->click();
        QCOMPARE(host.description->text(), QString());

        host.eightBit = false;
        if (byNotation)
            host.panel->RefreshAddresses();
        else
            host.filter->clear();
        QCOMPARE(host.CurrentText(), current);
        QCOMPARE(host.description->text(), u"second"_s);
    }

    void editCommand_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<SI2cCommand>("entered");
        QTest::newRow("write becomes write/read")
            << u"Set"_s << WriteReadCommand(u"Read ID"_s, {0x10}, 4);
        QTest::newRow("read becomes write without start and stop")
            << u"Get"_s << WriteCommand(u"Get"_s, {0x01, 0x02}, EI2cWriteMode::None);
        QTest::newRow("write/read becomes read, own label in another case")
            << u"Peek"_s << ReadCommand(u"peek"_s, 300);
    }

    // The dialog opens with the command as stored; OK puts the new command in its place.
    void editCommand()
    {
        QFETCH(QString, label);
        QFETCH(SI2cCommand, entered);
        QList<SI2cCommand> commands = BetaCommands();
        commands.append(WriteReadCommand(u"Peek"_s, {0x10, 0x11}, 6));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, commands));
        CPanelHost &host = Start();
        const QModelIndex row = host.CommandRow(u"Beta"_s, label);
        const SI2cCommand original = commands.at(row.row());
        QStringList shown;
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Edit..."_s); })
            .Then<CommandDialog>([&](CommandDialog *dialog) {
                shown = QStringList{
                    dialog->findChild<QLineEdit *>(u"labelEdit"_s)->text(),
                    dialog->findChild<QComboBox *>(u"typeCombo"_s)->currentData().toString(),
                    dialog->findChild<QLineEdit *>(u"dataEdit"_s)->text(),
                    dialog->findChild<QSpinBox *>(u"countSpin"_s)->text()};
                FillCommandDialog(dialog, entered.label, entered.type, entered.mode,
                                  CI2cDeviceFile::BytesToHex(entered.data), entered.count);
                ClickOk(dialog);
            });
        OpenMenu(row);
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(shown, (QStringList{original.label, QString::number(int(original.type)),
                                     CI2cDeviceFile::BytesToHex(original.data),
                                     QString::number(original.count)}));
        commands[row.row()] = entered;
        QCOMPARE(LoadDevice(Path(u"b.i2cdev"_s)).value_or(CI2cDeviceFile()).GetCommands(),
                 commands);
        QCOMPARE(host.CurrentText(), u"Beta/"_s + entered.label);
    }

    // The sequence editor checks as the user types and keeps OK off until the lines are a
    // sequence; OK stores the lines and makes the file one of version 4.
    void editSequence()
    {
        QList<SI2cCommand> commands = BetaCommands();
        commands.append(SequenceCommand(u"Boot"_s, {u"w1 06"_s, u"delay 2ms"_s}));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, commands));
        CPanelHost &host = Start();
        QStringList seen;
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Edit..."_s); })
            .Then<SequenceDialog>([&seen](SequenceDialog *dialog) {
                auto *edit = dialog->findChild<QPlainTextEdit *>(u"edit_sequence"_s);
                auto *status = dialog->findChild<QLabel *>(u"sequenceStatus"_s);
                QPushButton *ok =
                    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
                seen << edit->toPlainText() << status->text();
                for (const QString &text : {u"w1 06\ndelay 2\nr1"_s, u"repeat 2\nr1"_s,
                                            u"# nothing"_s, u"w1 06\ndelay 2ms\nr1@0x21"_s}) {
                    edit->setPlainText(text);
                    seen << status->text() + (ok->isEnabled() ? u" [ok]"_s : QString());
                }
                ClickOk(dialog);
            });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Boot"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(seen, (QStringList{u"w1 06\ndelay 2ms"_s, u"2 steps"_s,
                                    u"Line 2, column 7: delay '2' is not a duration up to 1 hour "
                                    u"(e.g. 10ms, 500us, 2s)"_s,
                                    u"Line 1, column 1: 'repeat' without an 'end' after it"_s,
                                    u"Enter at least one step."_s, u"3 steps [ok]"_s}));
        commands.last().steps = QStringList{u"w1 06"_s, u"delay 2ms"_s, u"r1@0x21"_s};
        QCOMPARE(LoadDevice(Path(u"b.i2cdev"_s)).value_or(CI2cDeviceFile()).GetCommands(),
                 commands);
        QVERIFY(ReadBytes(Path(u"b.i2cdev"_s)).startsWith("{\n    \"version\": 4,"));
    }

    // A decoding entered in the dialog reaches the file; opened and confirmed again without a
    // change, the file keeps every byte.
    void editCommandValue()
    {
        QList<SI2cCommand> commands = BetaCommands();
        commands.append(WriteReadCommand(u"Temp"_s, {0x05}, 2));
        QVERIFY(WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, commands));
        CPanelHost &host = Start();
        const auto edit = [&](const std::function<void(CommandDialog *)> &fill) {
            CModalScript script;
            script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Edit..."_s); })
                .Then<CommandDialog>([&](CommandDialog *dialog) {
                    fill(dialog);
                    ClickOk(dialog);
                });
            OpenMenu(host.CommandRow(u"Beta"_s, u"Temp"_s));
            QVERIFY2(script.Done(), qPrintable(script.Failure()));
        };
        edit([](CommandDialog *dialog) {
            auto *types = dialog->findChild<QComboBox *>(u"valueTypeCombo"_s);
            types->setCurrentIndex(types->findText(u"u16be"_s));
            dialog->findChild<QLineEdit *>(u"valueScaleEdit"_s)->setText(u"0.1"_s);
            dialog->findChild<QLineEdit *>(u"valueUnitEdit"_s)->setText(u"lx"_s);
        });
        const QByteArray stored = ReadBytes(Path(u"b.i2cdev"_s));
        QVERIFY2(stored.contains(R"("value": { "offset": 0, "type": "u16be", "scale": 0.1, )"
                                 R"("add": 0, "unit": "lx" })"),
                 stored.constData());
        edit([](CommandDialog *) {});
        QCOMPARE(ReadBytes(Path(u"b.i2cdev"_s)), stored);
    }

    // Another program gives a command the chosen label while the dialog is open: the dialog
    // comes back with the user's other entries kept.
    void editLabelTakenMeanwhile()
    {
        WriteThreeDevices();
        CPanelHost &host = Start();
        CModalScript script;
        script.Then<QMenu>([](QMenu *menu) { ChooseEntry(menu, u"Edit..."_s); })
            .Then<CommandDialog>([this](CommandDialog *dialog) {
                QList<SI2cCommand> commands = BetaCommands();
                commands[0].label = u"Store"_s;
                WriteDevice(Path(u"b.i2cdev"_s), u"Beta"_s, 0x20, commands, u"second"_s);
                FillCommandDialog(dialog, u"store"_s, EI2cCommandType::Write, EI2cWriteMode::Start,
                                  u"42"_s, 1);
                ClickOk(dialog);
            })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
            .Then<CommandDialog>([](CommandDialog *dialog) {
                dialog->findChild<QLineEdit *>(u"labelEdit"_s)->setText(u"Keep"_s);
                ClickOk(dialog);
            });
        OpenMenu(host.CommandRow(u"Beta"_s, u"Set"_s));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(2), u"Edit Command: \"store\" already exists in \"Beta\".\n"
                                      u"Please choose a different label."_s);
        const std::optional<CI2cDeviceFile> file = LoadDevice(Path(u"b.i2cdev"_s));
        QCOMPARE(Labels(file), (QStringList{u"Store"_s, u"Keep"_s, u"Reset"_s}));
        QCOMPARE(file->GetCommands().at(1), WriteCommand(u"Keep"_s, {0x42}, EI2cWriteMode::Start));
    }
};

VTL_TEST_MAIN(tst_CProjectsPanel)
#include "tst_CProjectsPanel.moc"
