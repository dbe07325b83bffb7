// SPDX-License-Identifier: MIT
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
};

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

VTL_TEST_MAIN(TestTransferText)
#include "tst_transfertext.moc"
