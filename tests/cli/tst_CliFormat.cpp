// SPDX-License-Identifier: MIT
// What the program's output and its memory transactions look like where tst_CliProgram
// cannot reach: characters of every class in a dump line, reads cut at a model's limit,
// page writes from an unaligned offset, a progress line of nothing, the reads that give a
// register pointer away, and the transfer lines of a dry run.
#include "CliDryRun.h"
#include "CliProgress.h"
#include "DumpLines.h"
#include "MemoryRequests.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

// "offset:written bytes[/rCOUNT]" of each chunk.
QString Describe(const std::vector<SMemoryChunk> &chunks)
{
    QStringList parts;
    for (const SMemoryChunk &chunk : chunks) {
        QString part = QString::number(chunk.offset) + u':';
        for (const unsigned char byte : chunk.request.data)
            part += QString::number(byte, 16).rightJustified(2, u'0');
        if (chunk.request.kind == ETransactionKind::WriteRead)
            part += u"/r"_s + QString::number(chunk.request.count);
        else if (!chunk.request.start || !chunk.request.stop)
            part += u"/open"_s;
        parts.append(part);
    }
    return parts.join(u' ');
}

} // namespace

class TestCliFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dumpLine()
    {
        const std::vector<unsigned char> data{'H', 'i', 0x00, 0x7F, 0x20, 0x7E, 'A', 'B',
                                              'C', 'D', 'E',  'F',  'G',  'H',  'I', 'J'};
        QCOMPARE(DumpLines::Format(0x20, data, 2),
                 u"20: 48 69 00 7F 20 7E 41 42 43 44 45 46 47 48 49 4A  Hi.. ~ABCDEFGHIJ\n"_s);
    }

    // A register pointer that does not advance repeats a group of 2 to 4 bytes; an erased
    // memory's one byte, or a repeat that does not run to the end, is no sign of it.
    void repeatedGroup_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("group");
        QTest::newRow("16-bit register") << QByteArray::fromHex("1780178017801780") << 2;
        QTest::newRow("two repeats are enough") << QByteArray::fromHex("17801780") << 2;
        QTest::newRow("one repeat is not") << QByteArray::fromHex("178017") << 0;
        QTest::newRow("24-bit register") << QByteArray::fromHex("010203010203") << 3;
        QTest::newRow("32-bit register") << QByteArray::fromHex("0102030401020304") << 4;
        QTest::newRow("erased memory") << QByteArray::fromHex("FFFFFFFFFFFFFFFF") << 0;
        QTest::newRow("broken at the end") << QByteArray::fromHex("1780178017801781") << 0;
        QTest::newRow("memory") << QByteArray("Bench EEPROM A") << 0;
        QTest::newRow("nothing") << QByteArray() << 0;
    }

    void repeatedGroup()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, group);
        QCOMPARE(MemoryRequests::RepeatedGroup({data.begin(), data.end()}), std::size_t(group));
    }

    void transferLines_data()
    {
        QTest::addColumn<int>("kind"); // 0 write, 1 read, 2 write/read
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<QString>("line");
        QTest::newRow("read, 8-bit") << 1 << true << true << true << u"r2@0x90"_s;
        QTest::newRow("write/read") << 2 << true << true << false << u"w2@0x48 01 60 r2"_s;
        QTest::newRow("write without stop")
            << 0 << true << false << false << u"w2@0x48 01 60  # no stop"_s;
        QTest::newRow("write without start or stop")
            << 0 << false << false << false
            << u"w2@0x48 01 60  # no start, no address byte, no stop"_s;
    }

    void transferLines()
    {
        QFETCH(int, kind);
        QFETCH(bool, start);
        QFETCH(bool, stop);
        QFETCH(bool, eightBit);
        QFETCH(QString, line);
        const std::vector<unsigned char> data{0x01, 0x60};
        STransactionRequest request = kind == 0
                                          ? STransactionRequest::Write(0x48, data, start, stop)
                                      : kind == 1 ? STransactionRequest::Read(0x48, 2)
                                                  : STransactionRequest::WriteRead(0x48, data, 2);
        QCOMPARE(CliDryRun::TransferLine(request, eightBit), line);
    }

    void memoryRequests()
    {
        QCOMPARE(Describe(MemoryRequests::Reads(0x50, 0x10, 600, 2, 256)),
                 u"16:0010/r256 272:0110/r256 528:0210/r88"_s);
        QCOMPARE(Describe(MemoryRequests::Reads(0x50, 0, 65536, 2, 65535)),
                 u"0:0000/r65535 65535:ffff/r1"_s);
    }

    void progressLine()
    {
        QCOMPARE(CCliProgress::Line(u"read 0x51"_s, 1240, 65535, u"bytes"_s),
                 u"read 0x51: 1240 of 65535 bytes (1 %)"_s);
        QCOMPARE(CCliProgress::Line(u"detect"_s, 0, 0, u"addresses"_s),
                 u"detect: 0 of 0 addresses (0 %)"_s);
    }
};

VTL_TEST_MAIN(TestCliFormat)
#include "tst_CliFormat.moc"
