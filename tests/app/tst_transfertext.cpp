// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"
#include "TransferText.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestTransferText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startStop_data();
    void startStop();
    void writeType_data();
    void writeType();
    void writeFlags_data();
    void writeFlags();
    void readFlags_data();
    void readFlags();
    void recordRow_data();
    void recordRow();
};

namespace {

// The start/stop box's entries, as the window passes them.
const QStringList MODE_TEXTS{u"Auto"_s, u"Generate Start"_s, u"Generate Stop"_s, u"None"_s};

STransactionRequest RequestOf(const QString &kind, bool start, bool stop)
{
    if (kind == "read"_L1)
        return STransactionRequest::Read(0x50, 2);
    if (kind == "write/read"_L1)
        return STransactionRequest::WriteRead(0x50, {0x10}, 2);
    return STransactionRequest::Write(0x50, {0x01, 0xA5}, start, stop);
}

} // namespace

void TestTransferText::startStop_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("stop");
    QTest::newRow("Auto") << 0 << true << true;
    QTest::newRow("Generate Start") << 1 << true << false;
    QTest::newRow("Generate Stop") << 2 << false << true;
    QTest::newRow("None") << 3 << false << false;
}

void TestTransferText::startStop()
{
    QFETCH(int, mode);
    QFETCH(bool, start);
    QFETCH(bool, stop);
    QCOMPARE(TransferText::generatesStart(mode), start);
    QCOMPARE(TransferText::generatesStop(mode), stop);
}

void TestTransferText::writeType_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("modeText");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("type");
    QTest::newRow("Auto") << 0 << u"Auto"_s << u"0x50"_s << u"Write 0x50"_s;
    QTest::newRow("Generate Start")
        << 1 << u"Generate Start"_s << u"0xA0"_s << u"Write 0xA0 [Generate Start]"_s;
    QTest::newRow("Generate Stop")
        << 2 << u"Generate Stop"_s << QString() << u"Write [Generate Stop]"_s;
    QTest::newRow("None") << 3 << u"None"_s << QString() << u"Write [None]"_s;
}

void TestTransferText::writeType()
{
    QFETCH(int, mode);
    QFETCH(QString, modeText);
    QFETCH(QString, address);
    QFETCH(QString, type);
    QCOMPARE(TransferText::writeType(mode, modeText, address), type);
}

void TestTransferText::writeFlags_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("flags");
    const QString driver = u"Arbitration lost"_s;
    QTest::newRow("success") << 0x00 << 0 << true << u"0x00"_s;
    QTest::newRow("success ignores the code") << 0x05 << 3 << true << u"0x05"_s;
    QTest::newRow("wrong byte count") << 0x80 << 1 << false << u"0x80  wrong byte count"_s;
    QTest::newRow("no start") << 0x80 << 2 << false << u"0x80  no start"_s;
    QTest::newRow("NACK") << 0x80 << 3 << false << u"0x80  NACK"_s;
    QTest::newRow("bus error") << 0x80 << 4 << false << u"0x80  bus error"_s;
    QTest::newRow("other code") << 0x80 << 200 << false << u"0x80  code 200"_s;
    QTest::newRow("no code: the driver's text")
        << 0x40 << 0 << false << u"0x40  Arbitration lost"_s;
}

void TestTransferText::writeFlags()
{
    QFETCH(int, status);
    QFETCH(int, errorCode);
    QFETCH(bool, ok);
    QFETCH(QString, flags);
    const SI2cWriteResult result{std::uint8_t(status), std::uint8_t(errorCode)};
    QCOMPARE(TransferText::writeFlags(result, ok, u"Arbitration lost"_s), flags);
}

void TestTransferText::readFlags_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("flags");
    QTest::newRow("success") << 0x3E << true << u"0x3E"_s;
    QTest::newRow("failure") << 0x80 << false << u"0x80  NACK received"_s;
    QTest::newRow("no reply") << 0x00 << false << u"0x00  NACK received"_s;
}

void TestTransferText::readFlags()
{
    QFETCH(int, status);
    QFETCH(bool, ok);
    QFETCH(QString, flags);
    SI2cReadResult result;
    result.status = std::uint8_t(status);
    QCOMPARE(TransferText::readFlags(result, ok, u"NACK received"_s), flags);
}

// A record as the window's rows and progress dialog show it, whoever ran the transaction.
void TestTransferText::recordRow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("readPartReached");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("data");
    const QString writing = u"Writing 2 bytes to 0x50..."_s;
    QTest::newRow("write") << u"write"_s << true << true << true << false << writing
                           << u"Write 0x50"_s << u"0x00"_s << u"01 A5"_s;
    QTest::newRow("write without stop")
        << u"write"_s << true << false << true << false << writing
        << u"Write 0x50 [Generate Start]"_s << u"0x00"_s << u"01 A5"_s;
    QTest::newRow("write without start or stop")
        << u"write"_s << false << false << true << false << u"Writing 2 bytes..."_s
        << u"Write [None]"_s << u"0x00"_s << u"01 A5"_s;
    QTest::newRow("write, NACK") << u"write"_s << true << true << false << false << writing
                                 << u"Write 0x50"_s << u"0x80  NACK"_s << u"01 A5"_s;
    QTest::newRow("read") << u"read"_s << true << true << true << false
                          << u"Reading 2 bytes from 0x50..."_s << u"Read 0x50"_s << u"0x02"_s
                          << u"3E 3F"_s;
    const QString writeRead = u"Writing 1 bytes to 0x50, then reading 2 bytes..."_s;
    QTest::newRow("write/read") << u"write/read"_s << true << true << true << true << writeRead
                                << u"Write/Read 0x50 [10]"_s << u"0x02"_s << u"3E 3F"_s;
    QTest::newRow("write/read, read part fails")
        << u"write/read"_s << true << true << false << true << writeRead
        << u"Write/Read 0x50 [10]"_s << u"0x02  Timeout"_s << u"3E 3F"_s;
    // Its write part failed: no read was sent, and the write's own status tells why.
    QTest::newRow("write/read, write part fails")
        << u"write/read"_s << true << true << false << false << writeRead
        << u"Write/Read 0x50 [10]"_s << u"0x80  NACK"_s << u"3E 3F"_s;
}

void TestTransferText::recordRow()
{
    QFETCH(QString, kind);
    QFETCH(bool, start);
    QFETCH(bool, stop);
    QFETCH(bool, ok);
    QFETCH(bool, readPartReached);
    STransactionRecord record;
    record.request = RequestOf(kind, start, stop);
    record.ok = ok;
    record.readPartReached = readPartReached;
    record.write = {std::uint8_t(ok ? 0x00 : 0x80), std::uint8_t(ok ? 0 : 3)};
    record.read.status = 0x02;
    record.read.data = {0x3E, 0x3F};
    record.lastError = "Timeout";

    const STransactionRequest &request = record.request;
    const QString target = TransferText::isAddressed(request) ? u"0x50"_s : QString();
    const TransferText::SRecordRow row =
        TransferText::recordRow(record, target, MODE_TEXTS.at(TransferText::modeOf(request)));
    QTEST(TransferText::progressText(request, target), "progress");
    QTEST(row.type, "type");
    QTEST(row.flags, "flags");
    QTEST(CI2cDeviceFile::BytesToHex(row.data), "data");
}

VTL_TEST_MAIN(TestTransferText)
#include "tst_transfertext.moc"
