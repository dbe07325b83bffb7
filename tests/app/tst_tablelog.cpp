// SPDX-License-Identifier: MIT
// Log files of output table rows: the CSV and text contents byte for byte, the format
// chosen by the name, and the atomic save.
#include "CLogFile.h"
#include "FixedTimeZone.h"
#include "TableLog.h"
#include "UnwritableFolder.h"
#include "VtlTestMain.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// 2026-12-08 14:03:07.412 +01:00, and a summer time 2026-07-01 09:05:00.007 +02:00.
constexpr qint64 WINTER_MS = 1796734987412;
constexpr qint64 SUMMER_MS = 1782889500007;

// A write, a refused read whose reason holds a comma, a search (a text row with commas)
// and a row added without a transaction whose texts hold quotes and line breaks.
QList<TableCopy::SRow> rows()
{
    return {
        {u"Write 0x50"_s,
         u"0x00"_s,
         u"01 A5 FF"_s,
         QByteArray("\x01\xA5\xFF"),
         {WINTER_MS, 1234},
         false},
        {u"Read 0x50"_s,
         u"0x00  Invalid read count, this device reads 1..256 bytes"_s,
         QString(),
         QByteArray(),
         {WINTER_MS + 1000, 850},
         true},
        {u"Search"_s, QString(), u"0x23, 0x50"_s, std::nullopt, {WINTER_MS + 2000, 113000}, false},
        {u"Note \"quoted\""_s,
         u"a\r\nb"_s,
         u"line 1\nline 2"_s,
         std::nullopt,
         {SUMMER_MS, std::nullopt},
         false},
    };
}

const QByteArray CSV = "time,duration_us,type,flags,data,error\r\n"
                       "2026-12-08T14:03:07.412+01:00,1234,Write 0x50,0x00,01 A5 FF,0\r\n"
                       "2026-12-08T14:03:08.412+01:00,850,Read 0x50,"
                       "\"0x00  Invalid read count, this device reads 1..256 bytes\",,1\r\n"
                       "2026-12-08T14:03:09.412+01:00,113000,Search,,\"0x23, 0x50\",0\r\n"
                       "2026-07-01T09:05:00.007+02:00,,\"Note \"\"quoted\"\"\",\"a\r\nb\","
                       "\"line 1\nline 2\",0\r\n";

const QByteArray TEXT = "14:03:07.412 (1.23 ms)\tWrite 0x50\t0x00\t01 A5 FF\n"
                        "14:03:08.412 (850 \xC2\xB5s)\tRead 0x50\t"
                        "0x00  Invalid read count, this device reads 1..256 bytes\t\n"
                        "14:03:09.412 (113 ms)\tSearch\t\t0x23, 0x50\n"
                        "09:05:00.007\tNote \"quoted\"\ta\r\nb\tline 1\nline 2\n";

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

class TestTableLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseFixedTimeZone(); }

    void contents_data();
    void contents();
    void formatFollowsName_data();
    void formatFollowsName();
    void saveReplacesFile_data();
    void saveReplacesFile();
    void failedSaveKeepsOldFile();
};

void TestTableLog::contents_data()
{
    QTest::addColumn<bool>("text");
    QTest::addColumn<QList<TableCopy::SRow>>("rows");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("csv") << false << rows() << CSV;
    QTest::newRow("text") << true << rows() << TEXT;
    QTest::newRow("csv, no rows") << false << QList<TableCopy::SRow>()
                                  << QByteArray("time,duration_us,type,flags,data,error\r\n");
    QTest::newRow("text, no rows") << true << QList<TableCopy::SRow>() << QByteArray();
}

void TestTableLog::contents()
{
    QFETCH(bool, text);
    QFETCH(QList<TableCopy::SRow>, rows);
    QFETCH(QByteArray, expected);
    QCOMPARE(text ? TableLog::Text(rows) : TableLog::Csv(rows), expected);
}

void TestTableLog::formatFollowsName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("text");

    QTest::newRow("csv") << u"log.csv"_s << false;
    QTest::newRow("txt") << u"log.txt"_s << true;
    QTest::newRow("upper case txt") << u"LOG.TXT"_s << true;
    QTest::newRow("no suffix") << u"log"_s << false;
    QTest::newRow("txt not last") << u"log.txt.bak"_s << false;
    QTest::newRow("other suffix") << u"notes.text"_s << false;
}

void TestTableLog::formatFollowsName()
{
    QFETCH(QString, name);
    QFETCH(bool, text);
    QCOMPARE(TableLog::FormatOf(u"/tmp/"_s + name) == TableLog::EFormat::Text, text);
}

void TestTableLog::saveReplacesFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("csv") << u"log.csv"_s << CSV;
    QTest::newRow("text") << u"log.txt"_s << TEXT;
    QTest::newRow("no suffix") << u"log"_s << CSV;
}

void TestTableLog::saveReplacesFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, expected);
    const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, QByteArray(100000, 'x')));

    CLogFile file;
    QVERIFY2(file.Save(path, rows()), qPrintable(file.GetLastError()));
    QCOMPARE(contentsOf(path), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({name}));
}

void TestTableLog::failedSaveKeepsOldFile()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"log.csv"_s);
    QVERIFY(writeFile(path, "old log\n"));
    {
        const CUnwritableFolder unwritable(dir.path());
        if (unwritable.IsWritable())
            QSKIP("this machine lets the test write into any folder");
        CLogFile file;
        QVERIFY(!file.Save(path, rows()));
        QVERIFY(!file.GetLastError().isEmpty());
    }
    QCOMPARE(contentsOf(path), QByteArray("old log\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"log.csv"_s}));
}

VTL_TEST_MAIN(TestTableLog)
#include "tst_tablelog.moc"
