// SPDX-License-Identifier: MIT
// What the program prints and how it cuts memory ranges into transactions.
#include "CliProgress.h"
#include "DetectGrid.h"
#include "DumpLines.h"
#include "MemoryRequests.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Bytes)

namespace {

// "offset:first-last-byte-count" of each chunk, the written bytes in hex.
QString Describe(const std::vector<SMemoryChunk> &chunks)
{
    QStringList parts;
    for (const SMemoryChunk &chunk : chunks) {
        QString part = QString::number(chunk.offset) + u':';
        for (const unsigned char byte : chunk.request.data)
            part += QString::number(byte, 16).rightJustified(2, u'0');
        if (chunk.request.kind == ETransactionKind::WriteRead)
            part += u"/r"_s + QString::number(chunk.request.count);
        parts.append(part);
    }
    return parts.join(u' ');
}

Bytes Counting(std::size_t count)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

} // namespace

class TestCliFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectGridRange()
    {
        const QString grid = DetectGrid::Format(0x10, 0x12, {0x11}, false);
        const QStringList lines = grid.split(u'\n');
        QCOMPARE(lines.size(), 10); // header, eight rows, the empty rest after the last break
        QCOMPARE(lines[0], u"     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f"_s);
        QCOMPARE(lines[1], u"00:"_s);
        QCOMPARE(lines[2], u"10: -- 11 --"_s);
        QCOMPARE(lines[8], u"70:"_s);
        QCOMPARE(DetectGrid::Format(0x7F, 0x7F, {0x7F}, true).split(u'\n')[8],
                 u"70:                                              fe"_s);
    }

    void dumpLines_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("one full line")
            << 0x20 << Bytes{'H', 'i', 0x00, 0x7F, 0x20, 0x7E, 'A', 'B',
                             'C', 'D', 'E',  'F',  'G',  'H',  'I', 'J'}
            << 2 << u"20: 48 69 00 7F 20 7E 41 42 43 44 45 46 47 48 49 4A  Hi.. ~ABCDEFGHIJ\n"_s;
        QTest::newRow("starts and ends inside lines")
            << 0x0E << Bytes{0x41, 0x42, 0x43} << 4
            << u"0000:                                           41 42                AB\n"
               u"0010: 43                                               C\n"_s;
        QTest::newRow("nothing") << 0 << Bytes{} << 2 << QString();
    }

    void dumpLines()
    {
        QFETCH(int, from);
        QFETCH(Bytes, data);
        QFETCH(int, digits);
        QFETCH(QString, text);
        QCOMPARE(DumpLines::Format(std::size_t(from), data, digits), text);
    }

    void memoryReads_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("maxRead");
        QTest::addColumn<QString>("chunks");
        QTest::newRow("one read") << 0 << 256 << 1 << 65535 << u"0:00/r256"_s;
        QTest::newRow("split at the model's limit")
            << 0x10 << 600 << 2 << 256 << u"16:0010/r256 272:0110/r256 528:0210/r88"_s;
        QTest::newRow("64 KiB in two")
            << 0 << 65536 << 2 << 65535 << u"0:0000/r65535 65535:ffff/r1"_s;
        QTest::newRow("nothing") << 0 << 0 << 1 << 256 << QString();
    }

    void memoryReads()
    {
        QFETCH(int, offset);
        QFETCH(int, length);
        QFETCH(int, width);
        QFETCH(int, maxRead);
        QFETCH(QString, chunks);
        QCOMPARE(Describe(MemoryRequests::Reads(0x50, std::size_t(offset), std::size_t(length),
                                                width, std::size_t(maxRead))),
                 chunks);
    }

    void pageWrites_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("chunks");
        QTest::newRow("within one page") << 0 << 3 << 8 << 1 << u"0:00000102"_s;
        QTest::newRow("exactly one page") << 8 << 8 << 8 << 1 << u"8:080001020304050607"_s;
        QTest::newRow("unaligned start, across two boundaries")
            << 6 << 12 << 8 << 1 << u"6:060001 8:080203040506070809 16:100a0b"_s;
        QTest::newRow("two address bytes")
            << 0x7E << 4 << 64 << 2 << u"126:007e0001 128:00800203"_s;
    }

    void pageWrites()
    {
        QFETCH(int, offset);
        QFETCH(int, length);
        QFETCH(int, page);
        QFETCH(int, width);
        QFETCH(QString, chunks);
        const std::vector<SMemoryChunk> writes = MemoryRequests::PageWrites(
            0x50, std::size_t(offset), Counting(std::size_t(length)), std::size_t(page), width);
        QCOMPARE(Describe(writes), chunks);
        for (const SMemoryChunk &chunk : writes)
            QVERIFY(chunk.request.start && chunk.request.stop);
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
