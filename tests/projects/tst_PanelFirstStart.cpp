// SPDX-License-Identifier: MIT
#include "PanelTestSupport.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// The built-in example lives in a resource bundle of its own, a static library.
static void InitResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const QString EEPROM = u":/test/eeprom.i2cdev"_s;

} // namespace

// Examples that a program registers are copied beside the built-in one, on the very first
// start into an empty folder only. A test program of its own, since the registration lasts
// for the whole process.
class tst_PanelFirstStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitResources();
        CProjectsPanel::AddFirstStartExample(EEPROM);
    }

    void init() { QSettings().clear(); }

    void registeredExamples_data()
    {
        QTest::addColumn<bool>("offeredBefore");
        QTest::addColumn<bool>("folderHasDevice");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("empty folder, first start")
            << false << false << QStringList{u"bh1750.i2cdev"_s, u"eeprom.i2cdev"_s};
        QTest::newRow("folder holds a device file")
            << false << true << QStringList{u"mine.i2cdev"_s};
        QTest::newRow("offered before") << true << false << QStringList();
    }

    void registeredExamples()
    {
        QFETCH(bool, offeredBefore);
        QFETCH(bool, folderHasDevice);
        QFETCH(QStringList, files);
        QTemporaryDir dir;
        const QString folder = QDir::cleanPath(dir.path() + u"/projects"_s);
        QVERIFY(QDir().mkpath(folder));
        QSettings().setValue(u"projects/folder"_s, folder);
        if (offeredBefore)
            QSettings().setValue(u"projects/examplesInstalled"_s, true);
        if (folderHasDevice)
            QVERIFY(WriteDevice(folder + u"/mine.i2cdev"_s, u"Mine"_s, 0x10));

        CPanelHost host;
        host.CreatePanel();
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), files);
        if (!files.contains(u"eeprom.i2cdev"_s))
            return;
        for (const QString &resource : {EEPROM, u":/examples/bh1750.i2cdev"_s}) {
            const QString copy = folder + u'/' + QFileInfo(resource).fileName();
            QCOMPARE(ReadBytes(copy), ReadBytes(resource));
            QCOMPARE(int(QFile::permissions(copy)), 0x6644);
        }
        QCOMPARE(host.TopLevelNames(), (QStringList{u"BH1750"_s, u"EEPROM"_s}));
        QCOMPARE(host.ChildLabels(u"EEPROM"_s),
                 (QStringList{u"Read 16 from 0x0000"_s, u"Write 01 02 at 0x0000"_s}));
    }
};

VTL_TEST_MAIN(tst_PanelFirstStart)
#include "tst_PanelFirstStart.moc"
