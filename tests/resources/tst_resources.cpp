// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QResource>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void icon_data();
    void icon();
    void appIcon();
    void desktopIcon_data();
    void desktopIcon();
    void exampleFile();
    void storedUncompressed();
};

void TestResources::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestResources::icon_data()
{
    QTest::addColumn<QString>("stem");
    for (const char *stem : {"usb_grey",
                             "usb_green",
                             "usb-off_red",
                             "usb-off",
                             "info",
                             "memory-search",
                             "exit-to-app",
                             "table-chart-delete",
                             "backspace-filled",
                             "memory-file-upload",
                             "memory-file-download",
                             "save",
                             "file",
                             "refresh",
                             "folder-open",
                             "settings-filled",
                             "settings_off",
                             "play-circle",
                             "stop-circle",
                             "restart-alt",
                             "insert-drive-file"})
        QTest::newRow(stem) << QString::fromLatin1(stem);
}

void TestResources::icon()
{
    QFETCH(QString, stem);
    const QImage image(u":/icons/res/png/%1_32px.png"_s.arg(stem));
    QVERIFY2(!image.isNull(), qPrintable(stem));
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY(image.hasAlphaChannel());
}

void TestResources::appIcon()
{
    const QImage image(u":/icons/res/icon/icon.png"_s);
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), image.height());
}

void TestResources::desktopIcon_data()
{
    QTest::addColumn<int>("size");
    for (int size : {32, 48, 64, 128})
        QTest::addRow("%dpx", size) << size;
}

// The hicolor copies are installed for desktops, so each must have the size its folder
// claims.
void TestResources::desktopIcon()
{
    QFETCH(int, size);
    const QImage image(QStringLiteral(VTL_RESOURCES_SOURCE_DIR) +
                       u"/icons/hicolor/%1x%1/apps/vtl-i2c.png"_s.arg(size));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(size, size));
}

void TestResources::exampleFile()
{
    QFile bundled(u":/examples/bh1750.i2cdev"_s);
    QVERIFY(bundled.open(QIODevice::ReadOnly));
    QFile committed(QStringLiteral(VTL_RESOURCES_SOURCE_DIR) + u"/examples/bh1750.i2cdev"_s);
    QVERIFY2(committed.open(QIODevice::ReadOnly), qPrintable(committed.errorString()));

    const QByteArray bytes = bundled.readAll();
    QCOMPARE(bytes, committed.readAll());
    QVERIFY(bytes.startsWith("{\n"));
    QVERIFY(bytes.endsWith("}\n"));
    QVERIFY(!bytes.contains('\r'));
}

void TestResources::storedUncompressed()
{
    int files = 0;
    for (const QString &root : {u":/icons"_s, u":/examples"_s}) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QCOMPARE(QResource(path).compressionAlgorithm(), QResource::NoCompression);
            ++files;
        }
    }
    QCOMPARE(files, 23);
}

VTL_TEST_MAIN(TestResources)
#include "tst_resources.moc"
