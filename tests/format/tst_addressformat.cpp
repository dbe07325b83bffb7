// SPDX-License-Identifier: MIT
#include "AddressFormat.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestAddressFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data();
    void format();
    void parse_data();
    void parse();
    void roundTrip();
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

void TestAddressFormat::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("eightBit");
    QTest::addColumn<int>("address"); // -1: no address

    QTest::newRow("7-bit with prefix") << u"0x50"_s << false << 0x50;
    QTest::newRow("7-bit without prefix") << u"50"_s << false << 0x50;
    QTest::newRow("7-bit lower case") << u"0x2b"_s << false << 0x2B;
    QTest::newRow("7-bit upper-case prefix") << u"0X7F"_s << false << 0x7F;
    QTest::newRow("7-bit zero") << u"0"_s << false << 0x00;
    QTest::newRow("7-bit leading zeros") << u"0x000050"_s << false << 0x50;
    QTest::newRow("7-bit too large") << u"80"_s << false << -1;
    QTest::newRow("8-bit write form") << u"0xA0"_s << true << 0x50;
    QTest::newRow("8-bit read form") << u"A1"_s << true << 0x50;
    QTest::newRow("8-bit lower case") << u"a0"_s << true << 0x50;
    QTest::newRow("8-bit blanks around") << u"  0XA0 \t"_s << true << 0x50;
    QTest::newRow("8-bit highest") << u"0xFF"_s << true << 0x7F;
    QTest::newRow("8-bit too large") << u"0x100"_s << true << -1;
    QTest::newRow("empty") << QString() << false << -1;
    QTest::newRow("blanks only") << u"   "_s << true << -1;
    QTest::newRow("prefix only") << u"0x"_s << false << -1;
    QTest::newRow("not hex") << u"0x5G"_s << false << -1;
    QTest::newRow("blank inside") << u"5 0"_s << false << -1;
    QTest::newRow("sign") << u"+50"_s << false << -1;
    QTest::newRow("negative") << u"-1"_s << true << -1;
    QTest::newRow("second prefix") << u"0x0x50"_s << false << -1;
    QTest::newRow("beyond 32 bits") << u"100000050"_s << false << -1;
    QTest::newRow("32 bits") << u"FFFFFFFF"_s << true << -1;
}

void TestAddressFormat::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, eightBit);
    QFETCH(int, address);
    const std::optional<unsigned char> parsed = AddressFormat::parse(text, eightBit);
    QCOMPARE(parsed.has_value(), address >= 0);
    if (parsed)
        QCOMPARE(int(*parsed), address);
}

void TestAddressFormat::roundTrip()
{
    for (int address = 0; address <= 0x7F; ++address) {
        for (const bool eightBit : {false, true}) {
            const QString text = AddressFormat::format(uchar(address), eightBit);
            QCOMPARE(AddressFormat::parse(text, eightBit), std::optional<unsigned char>(address));
        }
    }
}

VTL_TEST_MAIN(TestAddressFormat)
#include "tst_addressformat.moc"
