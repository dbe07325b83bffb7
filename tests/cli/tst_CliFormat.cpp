// SPDX-License-Identifier: MIT
// What the program's output and its memory transactions look like where tst_CliProgram
// cannot reach: characters of every class in a dump line, reads cut at a model's limit,
// page writes from an unaligned offset, and a progress line of nothing.
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
