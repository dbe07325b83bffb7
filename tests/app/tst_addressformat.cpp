#include "AddressFormat.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestAddressFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data();
    void format();
};

void TestAddressFormat::format_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<QString>("text");

    QTest::newRow("7-bit 0x50") << 0x50 << false << u"0x50"_s;
    QTest::newRow("8-bit 0x50") << 0x50 << true << u"0xA0"_s;
    QTest::newRow("7-bit leading zero") << 0x0A << false << u"0x0A"_s;
    QTest::newRow("8-bit leading zero") << 0x05 << true << u"0x0A"_s;
    QTest::newRow("7-bit zero") << 0x00 << false << u"0x00"_s;
    QTest::newRow("8-bit zero") << 0x00 << true << u"0x00"_s;
    QTest::newRow("7-bit highest") << 0x7F << false << u"0x7F"_s;
    QTest::newRow("8-bit highest") << 0x7F << true << u"0xFE"_s;
    QTest::newRow("7-bit upper-case digits") << 0x2B << false << u"0x2B"_s;
}

void TestAddressFormat::format()
{
    QFETCH(int, address);
    QFETCH(bool, eightBit);
    QFETCH(QString, text);
    QCOMPARE(AddressFormat::format(static_cast<unsigned char>(address), eightBit), text);
}

VTL_TEST_MAIN(TestAddressFormat)
#include "tst_addressformat.moc"
