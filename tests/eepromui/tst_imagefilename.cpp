// SPDX-License-Identifier: MIT
// The name and format Save... writes: the chosen type decides where the name does not.
#include "ImageFileName.h"
#include "VtlTestMain.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestImageFileName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolve_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter"); // index in the dialog's list; 3 is "All files"
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("format");
        const int hex = int(EImageFormat::IntelHex);
        const int srec = int(EImageFormat::SRecord);
        const int bin = int(EImageFormat::Binary);
        QTest::newRow("bare, Intel HEX") << u"/d/image"_s << 0 << u"/d/image.hex"_s << hex;
        QTest::newRow("bare, S-record") << u"/d/image"_s << 1 << u"/d/image.srec"_s << srec;
        QTest::newRow("bare, Binary") << u"/d/image"_s << 2 << u"/d/image.bin"_s << bin;
        QTest::newRow("trailing dot") << u"/d/image."_s << 0 << u"/d/image.hex"_s << hex;
        QTest::newRow("dotted folder") << u"/d.v2/image"_s << 0 << u"/d.v2/image.hex"_s << hex;
        QTest::newRow("suffix wins") << u"/d/a.BIN"_s << 0 << u"/d/a.BIN"_s << bin;
        QTest::newRow("s19 suffix") << u"/d/a.s19"_s << 2 << u"/d/a.s19"_s << srec;
        QTest::newRow("other suffix") << u"/d/a.eep"_s << 0 << u"/d/a.eep"_s << hex;
        QTest::newRow("all files, bare") << u"/d/a"_s << 3 << u"/d/a"_s << bin;
        QTest::newRow("all files, ihex") << u"/d/a.ihex"_s << 3 << u"/d/a.ihex"_s << hex;
    }

    void resolve()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, path);
        QFETCH(int, format);
        const QStringList filters = ImageFileName::Filters().split(u";;"_s);
        QCOMPARE(filters.size(), 4);
        const ImageFileName::SChoice choice =
            ImageFileName::Resolve(typed, ImageFileName::FormatOfFilter(filters.at(filter)));
        QCOMPARE(choice.path, path);
        QCOMPARE(int(choice.format), format);
    }
};

VTL_TEST_MAIN(TestImageFileName)
#include "tst_imagefilename.moc"
