// SPDX-License-Identifier: MIT
#include "CLogFile.h"
#include "LogFileName.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QTemporaryDir>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// 2026-12-08 14:03:07.412 +01:00, and a summer time 2026-07-01 09:05:00.007 +02:00.
constexpr qint64 WINTER_MS = 1796734987412;
constexpr qint64 SUMMER_MS = 1782889500007;

// A write (its data from the bytes, not the shown text), a refused read whose reason holds a
// comma, a search (a text row with commas) and a row added without a transaction whose texts
// hold quotes and line breaks. The first three ran on two adapters, the search with no address.
QList<TableCopy::SRow> rows(bool withOrigins = true)
{
    const QString reason = u"0x00  Invalid read count, this device reads 1..256 bytes"_s;
    QList<TableCopy::SRow> list = {
        {u"Write 0x50"_s, u"0x00"_s, {}, QByteArray("\x01\xA5\xFF"), {WINTER_MS, 1234}, false},
        {u"Read 0x50"_s, reason, {}, QByteArray(), {WINTER_MS + 1000, 850}, true},
        {u"Search"_s, {}, u"0x23, 0x50"_s, std::nullopt, {WINTER_MS + 2000, 113000}, false},
        {u"Note \"quoted\""_s,
         u"a\r\nb"_s,
         u"line 1\nline 2"_s,
         std::nullopt,
         {SUMMER_MS, {}},
         false},
    };
    if (withOrigins) {
        list[0].origin = STableRowOrigin{u"VantrelA SN T-1"_s, u"100 kHz"_s, 0x28};
        list[1].origin = STableRowOrigin{u"VantrelA SN T-1"_s, u"100 kHz"_s, 0x50};
        list[2].origin = STableRowOrigin{u"VantrelB SN B,2"_s, u"400 kHz"_s, std::nullopt};
    }
    return list;
}

const QByteArray CSV =
    "time,duration_us,type,flags,data,error,adapter,speed,address\r\n"
    "2026-12-08T14:03:07.412+01:00,1234,Write 0x50,0x00,01 A5 FF,0,VantrelA SN T-1,100 kHz,0x28\r\n"
    "2026-12-08T14:03:08.412+01:00,850,Read 0x50,"
    "\"0x00  Invalid read count, this device reads 1..256 bytes\",,1,VantrelA SN T-1,100 "
    "kHz,0x50\r\n"
    "2026-12-08T14:03:09.412+01:00,113000,Search,,\"0x23, 0x50\",0,\"VantrelB SN B,2\",400 kHz,\r\n"
    "2026-07-01T09:05:00.007+02:00,,\"Note \"\"quoted\"\"\",\"a\r\nb\","
    "\"line 1\nline 2\",0,,,\r\n";

const QByteArray TEXT = "14:03:07.412 (1.23 ms)\tWrite 0x50\t0x00\t01 A5 FF\n"
                        "14:03:08.412 (850 \xC2\xB5s)\tRead 0x50\t"
                        "0x00  Invalid read count, this device reads 1..256 bytes\t\n"
                        "14:03:09.412 (113 ms)\tSearch\t\t0x23, 0x50\n"
                        "09:05:00.007\tNote \"quoted\"\ta\r\nb\tline 1\nline 2\n";

// The same rows with the read asked for by another program through the shared adapter.
QList<TableCopy::SRow> rowsWithClient()
{
    QList<TableCopy::SRow> list = rows();
    list[1].client = STableRowClient{u"vtl-i2c-cli"_s, 4711};
    return list;
}

const QByteArray CSV_WITH_CLIENT =
    "time,duration_us,type,flags,data,error,adapter,speed,address,origin,origin_pid\r\n"
    "2026-12-08T14:03:07.412+01:00,1234,Write 0x50,0x00,01 A5 FF,0,VantrelA SN T-1,100 kHz,0x28,"
    ",\r\n"
    "2026-12-08T14:03:08.412+01:00,850,Read 0x50,"
    "\"0x00  Invalid read count, this device reads 1..256 bytes\",,1,VantrelA SN T-1,100 "
    "kHz,0x50,vtl-i2c-cli,4711\r\n"
    "2026-12-08T14:03:09.412+01:00,113000,Search,,\"0x23, 0x50\",0,\"VantrelB SN B,2\",400 kHz,,"
    ",\r\n"
    "2026-07-01T09:05:00.007+02:00,,\"Note \"\"quoted\"\"\",\"a\r\nb\","
    "\"line 1\nline 2\",0,,,,,\r\n";

const QByteArray TEXT_HEADER =
    "Adapter VantrelA SN T-1 at 100 kHz, VantrelB SN B,2 at 400 kHz; 7-bit addresses 0x28, 0x50\n";

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestTableLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void save_data();
    void save();
    void fileName_data();
    void fileName();
    void fifoOrFolder_data();
    void fifoOrFolder();
};

void TestTableLog::save_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<TableCopy::SRow>>("rows");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("csv") << u"log.csv"_s << rows() << CSV;
    QTest::newRow("txt") << u"log.txt"_s << rows() << TEXT_HEADER + TEXT;
    QTest::newRow("txt without origins") << u"log.txt"_s << rows(false) << TEXT;
    QTest::newRow("upper case txt") << u"LOG.TXT"_s << rows() << TEXT_HEADER + TEXT;
    QTest::newRow("no suffix") << u"log"_s << rows() << CSV;
    QTest::newRow("txt not last") << u"log.txt.bak"_s << rows() << CSV;
    QTest::newRow("txt, no rows") << u"log.txt"_s << QList<TableCopy::SRow>() << QByteArray();
    // Another program's row adds its name and pid; the window's own rows leave them empty.
    QTest::newRow("csv with a client row") << u"log.csv"_s << rowsWithClient() << CSV_WITH_CLIENT;
    QByteArray text = TEXT_HEADER + TEXT;
    text.replace("1..256 bytes\t\n", "1..256 bytes\t\tvtl-i2c-cli (pid 4711)\n");
    QTest::newRow("txt with a client row") << u"log.txt"_s << rowsWithClient() << text;
}

// The format follows the name; the save replaces a longer file that is already there.
void TestTableLog::save()
{
    QFETCH(QString, name);
    QFETCH(QList<TableCopy::SRow>, rows);
    QFETCH(QByteArray, expected);
    const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(100000, 'x')) == 100000);
    old.close();

    CLogFile file;
    QVERIFY2(file.Save(path, rows), qPrintable(file.GetLastError()));
    QCOMPARE(contentsOf(path), expected);
}

void TestTableLog::fileName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("textFilter");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("text");
    QTest::newRow("txt filter adds its suffix") << u"/d/log3"_s << true << u"/d/log3.txt"_s << true;
    QTest::newRow("csv filter adds its suffix")
        << u"/d/log3"_s << false << u"/d/log3.csv"_s << false;
    QTest::newRow("trailing dot") << u"/d/log3."_s << true << u"/d/log3.txt"_s << true;
    QTest::newRow("typed csv wins") << u"/d/a.CSV"_s << true << u"/d/a.CSV"_s << false;
    QTest::newRow("typed txt wins") << u"/d/a.txt"_s << false << u"/d/a.txt"_s << true;
    QTest::newRow("other suffix kept, filter's format")
        << u"/d/a.log"_s << true << u"/d/a.log"_s << true;
    QTest::newRow("dot in folder only") << u"/d.x/log"_s << true << u"/d.x/log.txt"_s << true;
}

void TestTableLog::fileName()
{
    QFETCH(QString, typed);
    QFETCH(bool, textFilter);
    QFETCH(QString, path);
    QFETCH(bool, text);
    const LogFileName::SChoice choice =
        LogFileName::Resolve(typed, textFilter ? TableLog::EFormat::Text : TableLog::EFormat::Csv);
    QCOMPARE(choice.path, path);
    QCOMPARE(choice.format == TableLog::EFormat::Text, text);
}

void TestTableLog::fifoOrFolder_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("fifo") << true;
    QTest::newRow("folder") << false;
}

// A FIFO typed without a suffix is written in place and stays a FIFO; a folder is refused
// with the reason. Neither name gets a suffix that would make a new file beside it.
void TestTableLog::fifoOrFolder()
{
    QFETCH(bool, fifo);
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"out"_s);
    const QByteArray native = QFile::encodeName(path);
    int reader = -1;
    if (fifo) {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        // Open without waiting for a writer, so that a save that never writes cannot hang.
        reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
    } else {
        QVERIFY(QDir(dir.path()).mkdir(u"out"_s));
    }
    const LogFileName::SChoice choice = LogFileName::Resolve(path, TableLog::EFormat::Text);
    QCOMPARE(choice.path, path);

    CLogFile file;
    const bool saved = file.Save(choice.path, rows(), choice.format);
    QByteArray received(4096, '\0');
    received.truncate(fifo ? std::max<qsizetype>(::read(reader, received.data(), 4096), 0) : 0);
    if (fifo)
        ::close(reader);
    QCOMPARE(saved, fifo);
    QCOMPARE(received, fifo ? TEXT_HEADER + TEXT : QByteArray());
    QCOMPARE(file.GetLastError(), fifo ? QString() : u"is a folder"_s);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
             QStringList{u"out"_s});
}

VTL_TEST_MAIN(TestTableLog)
#include "tst_tablelog.moc"
