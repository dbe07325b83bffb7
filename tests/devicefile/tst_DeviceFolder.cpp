// SPDX-License-Identifier: MIT
// A folder of device files read at once: the order of the devices and the files refused,
// each with its reason.
#include "DeviceFolder.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDeviceFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        // "file=Name" saves a device of that name, "file:text" writes the text as it is.
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("devices"); // "Name file" in the order loaded
        QTest::addColumn<QStringList>("refused"); // "file: the start of the reason"
        QTest::newRow("by name, letter case aside")
            << QStringList{u"b.i2cdev=beta"_s, u"a.i2cdev=Gamma"_s, u"c.i2cdev=Alpha"_s}
            << QStringList{u"Alpha c.i2cdev"_s, u"beta b.i2cdev"_s, u"Gamma a.i2cdev"_s}
            << QStringList();
        QTest::newRow("equal names in file name order")
            << QStringList{u"z.i2cdev=Same"_s, u"a.i2cdev=same"_s, u"M.i2cdev=SAME"_s,
                           u"m.i2cdev=Other"_s}
            << QStringList{u"Other m.i2cdev"_s, u"SAME M.i2cdev"_s, u"same a.i2cdev"_s,
                           u"Same z.i2cdev"_s}
            << QStringList();
        QTest::newRow("refused in file name order, with reasons")
            << QStringList{u"x.i2cdev:{}"_s, u"good.i2cdev=Good"_s, u"b.i2cdev:garbage"_s}
            << QStringList{u"Good good.i2cdev"_s}
            << QStringList{u"b.i2cdev: JSON error at line 1"_s,
                           u"x.i2cdev: Invalid or missing address"_s};
    }

    void load()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, devices);
        QFETCH(QStringList, refused);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &entry : std::as_const(entries)) {
            const qsizetype named = entry.indexOf(u'=');
            const qsizetype raw = entry.indexOf(u':');
            if (named > 0) {
                CI2cDeviceFile file;
                file.SetName(entry.mid(named + 1));
                file.SetAddress(0x50);
                QVERIFY(file.SaveAs(dir.filePath(entry.left(named))));
            } else {
                QFile file(dir.filePath(entry.left(raw)));
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.write(entry.mid(raw + 1).toUtf8()) > 0);
            }
        }

        const SDeviceFolder loaded = SDeviceFolder::Load(dir.path());
        QStringList names;
        for (const CI2cDeviceFile &file : loaded.devices)
            names << file.GetName() + u' ' + QFileInfo(file.GetFilePath()).fileName();
        QCOMPARE(names, devices);
        QCOMPARE(loaded.refused.size(), refused.size());
        for (qsizetype i = 0; i < refused.size(); ++i) {
            const SRefusedDeviceFile &file = loaded.refused.at(i);
            const QString seen = QFileInfo(file.path).fileName() + u": "_s + file.reason;
            QVERIFY2(seen.startsWith(refused.at(i)), qPrintable(seen));
        }
    }
};

VTL_TEST_MAIN(TestDeviceFolder)
#include "tst_DeviceFolder.moc"
