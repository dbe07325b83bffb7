// SPDX-License-Identifier: MIT
// The transfer command's message syntax: what the messages put on the bus, and the
// refusals, each naming the message or argument at fault.
#include "TransferMessages.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

// One line per request: kind, address, start/stop and bytes, or the read count.
QString Describe(const std::vector<STransactionRequest> &requests)
{
    QStringList lines;
    for (const STransactionRequest &request : requests) {
        QString line = u"%1@%2"_s.arg(request.kind == ETransactionKind::Read ? u"r"_s : u"w"_s)
                           .arg(request.address, 2, 16, QChar(u'0'));
        if (request.kind == ETransactionKind::Read) {
            line += u" count=%1"_s.arg(request.count);
        } else {
            line += request.start ? u" S"_s : u" -"_s;
            line += request.stop ? u"P"_s : u"-"_s;
            for (const unsigned char byte : request.WireBytes())
                line += u' ' + QString::number(byte, 16).rightJustified(2, u'0');
        }
        lines.append(line);
    }
    return lines.join(u" | "_s);
}

} // namespace

class TestTransferMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valid_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<QString>("requests");
        QTest::newRow("write then read, address carried on")
            << u"w2@0x50 00 10 r8"_s << false << u"w@50 S- a0 00 10 | r@50 count=8"_s;
        QTest::newRow("read alone") << u"r3@23"_s << false << u"r@23 count=3"_s;
        QTest::newRow("two writes, stop on the last only")
            << u"w1@0x50 01 w1@0x51 02"_s << false << u"w@50 S- a0 01 | w@51 SP a2 02"_s;
        QTest::newRow("address-only write") << u"w0@0x48"_s << false << u"w@48 SP 90"_s;
        QTest::newRow("several bytes in one argument")
            << u"w3@0x50 00A5 ff"_s << false << u"w@50 SP a0 00 a5 ff"_s;
        QTest::newRow("8-bit notation")
            << u"w1@0xA0 00 r2@A1"_s << true << u"w@50 S- a0 00 | r@50 count=2"_s;
        QTest::newRow("repeat") << u"w4@0x50 00 ff="_s << false << u"w@50 SP a0 00 ff ff ff"_s;
        QTest::newRow("count up, wrapping")
            << u"w4@0x50 fe+"_s << false << u"w@50 SP a0 fe ff 00 01"_s;
        QTest::newRow("count down") << u"w3@0x50 02-"_s << false << u"w@50 SP a0 02 01 00"_s;
        QTest::newRow("upper-case message letters")
            << u"W1@0x50 00 R1"_s << false << u"w@50 S- a0 00 | r@50 count=1"_s;
    }

    void valid()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, eightBit);
        QFETCH(QString, requests);
        QString error;
        const auto messages = TransferMessages::Parse(arguments.split(u' '), eightBit, error);
        QVERIFY2(messages, qPrintable(error));
        QCOMPARE(Describe(TransferMessages::ToRequests(*messages)), requests);
    }

    void invalid_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QString() << u"MSG: no message given"_s;
        QTest::newRow("byte first") << u"00 w1@0x50"_s << u"'00' comes before any message"_s;
        QTest::newRow("first without address") << u"r4"_s << u"'r4' needs an address"_s;
        QTest::newRow("not a message") << u"wx@0x50"_s << u"'wx@0x50' is not a message"_s;
        QTest::newRow("read of 0") << u"r0@0x50"_s << u"the length of 'r0@0x50' '0'"_s;
        QTest::newRow("read too long") << u"r65536@0x50"_s << u"the length of 'r65536@0x50'"_s;
        QTest::newRow("bad address") << u"w1@0x80 00"_s << u"the address of 'w1@0x80' '0x80'"_s;
        QTest::newRow("too few bytes")
            << u"w2@0x50 00 r1"_s << u"message 1 (w2@0x50) needs 2 bytes, 1 given"_s;
        QTest::newRow("too many bytes")
            << u"w1@0x50 00 01"_s << u"'01' is one byte too many for message 1 (w1@0x50)"_s;
        QTest::newRow("argument overflowing the message")
            << u"w1@0x50 0001"_s << u"'0001' holds more bytes than message 1 (w1@0x50) takes"_s;
        QTest::newRow("bytes after a read")
            << u"r1@0x50 00"_s << u"'00' follows message 1 (r1@0x50), a read"_s;
        QTest::newRow("bad byte") << u"w1@0x50 zz"_s << u"byte of message 1 (w1@0x50) 'zz'"_s;
        QTest::newRow("pattern on two bytes")
            << u"w3@0x50 0102+"_s << u"'0102+' is not one hex byte before its '+'"_s;
        QTest::newRow("read not last")
            << u"w1@0x50 00 r1 w1 00"_s
            << u"message 2 (r1) is a read before the last message: these adapters end every "
               u"read with a stop, so a read can only be the last message"_s;
    }

    void invalid()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        QString message;
        const QStringList list = arguments.isEmpty() ? QStringList() : arguments.split(u' ');
        QVERIFY(!TransferMessages::Parse(list, false, message));
        QVERIFY2(message.contains(error), qPrintable(message));
    }
};

VTL_TEST_MAIN(TestTransferMessages)
#include "tst_TransferMessages.moc"
