// SPDX-License-Identifier: MIT
#include "NumberText.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;

namespace {

// The parsers of the table by name, each giving its value widened to 64 bits.
std::optional<qint64> Parse(const QString &parser, const QString &text)
{
    const auto widen = [](const auto &value) {
        return value ? std::optional<qint64>(qint64(*value)) : std::nullopt;
    };
    if (parser == "address"_L1)
        return widen(NumberText::ParseAddress(text, false));
    if (parser == "address8"_L1)
        return widen(NumberText::ParseAddress(text, true));
    if (parser == "hex"_L1)
        return widen(NumberText::ParseHex(text));
    if (parser == "size"_L1)
        return widen(NumberText::ParseHexOrDecimal(text, 65535));
    if (parser == "integer"_L1)
        return widen(NumberText::ParseInteger(text));
    if (parser == "decimal"_L1)
        return widen(NumberText::ParseDigits(text, 10));
    return std::nullopt;
}

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void parseBytes_data();
    void parseBytes();
    void format_data();
    void format();
    void addressRoundTrip();
};

void TestNumberText::parse_data()
{
    QTest::addColumn<QString>("parser");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<qint64>("value");

    const auto row = [](const char *name, const char *parser, const QString &text,
                        std::optional<qint64> value) {
        QTest::newRow(name) << QString::fromLatin1(parser) << text << value.has_value()
                            << value.value_or(0);
    };
    const std::nullopt_t refused = std::nullopt;

    // Hex with or without "0x", blanks around it allowed.
    row("address with prefix", "address", u"0x50"_s, 0x50);
    row("address without prefix", "address", u"50"_s, 0x50);
    row("address lower case", "address", u"0x2b"_s, 0x2B);
    row("address upper-case prefix", "address", u"0X7F"_s, 0x7F);
    row("address leading zeros", "address", u"0x000050"_s, 0x50);
    row("address zero", "address", u"0"_s, 0);
    row("address blanks around", "address", u" 50\t"_s, 0x50);
    row("address too large", "address", u"80"_s, refused);
    row("address beyond 32 bits", "address", u"100000050"_s, refused);
    // The 8-bit notation: write and read form name the same slave.
    row("8-bit write form", "address8", u"0xA0"_s, 0x50);
    row("8-bit read form", "address8", u"A1"_s, 0x50);
    row("8-bit lower case", "address8", u"a0"_s, 0x50);
    row("8-bit blanks around", "address8", u"  0XA0 \t"_s, 0x50);
    row("8-bit highest", "address8", u"0xFF"_s, 0x7F);
    row("8-bit 32 bits", "address8", u"FFFFFFFF"_s, refused);
    row("8-bit too large", "address8", u"0x100"_s, refused);
    row("hex 32 bits", "hex", u"FFFFFFFF"_s, 0xFFFFFFFFll);
    row("hex past 32 bits", "hex", u"0x100000000"_s, refused);
    // What a general number conversion accepts and no typed number may be.
    row("second prefix", "address", u"0x0x50"_s, refused);
    row("plus sign", "address", u"+50"_s, refused);
    row("minus sign", "address8", u"-1"_s, refused);
    row("blank inside", "address", u"5 0"_s, refused);
    row("empty", "address", QString(), refused);
    row("blanks only", "address8", u"   "_s, refused);
    row("prefix only", "address", u"0x"_s, refused);
    row("not hex", "address", u"0x5G"_s, refused);
    row("full-width digit", "hex", u"\uFF15"_s, refused);
    // Sizes: hex only with "0x", else decimal; no blanks at all.
    row("size decimal", "size", u"80"_s, 80);
    row("size hex", "size", u"0x80"_s, 0x80);
    row("size at the bound", "size", u"65535"_s, 65535);
    row("size past the bound", "size", u"0x10000"_s, refused);
    row("size hex digits without prefix", "size", u"1F"_s, refused);
    row("size blank before", "size", u" 50"_s, refused);
    row("size plus sign", "size", u"+50"_s, refused);
    // Integers: "0x" hex or decimal with a minus.
    row("integer hex", "integer", u" 0xFFFFFFFF "_s, 0xFFFFFFFFll);
    row("integer hex past 32 bits", "integer", u"0x100000000"_s, refused);
    row("integer hex with a blank after the prefix", "integer", u"0x 5"_s, refused);
    row("integer second prefix", "integer", u"0x0x5"_s, refused);
    row("integer hex with a sign", "integer", u"0x-5"_s, refused);
    row("integer lowest", "integer", u"-2147483648"_s, -2147483648ll);
    row("integer below the lowest", "integer", u"-2147483649"_s, refused);
    row("integer highest", "integer", u"4294967295"_s, 4294967295ll);
    row("integer past the highest", "integer", u"4294967296"_s, refused);
    row("integer minus zero", "integer", u"-0"_s, 0);
    row("integer plus sign", "integer", u"+5"_s, refused);
    row("integer minus with a blank", "integer", u"- 5"_s, refused);
    row("integer hex digits without prefix", "integer", u"1F"_s, refused);
    // Plain digits up to 64 bits: an overflow is refused, not wrapped around.
    row("decimal 64 bits", "decimal", u"9223372036854775807"_s, 9223372036854775807ll);
    row("decimal overflow", "decimal", u"18446744073709551616"_s, refused);
    row("decimal far overflow", "decimal", u"99999999999999999999999"_s, refused);
    row("decimal hex digit", "decimal", u"5A"_s, refused);
}

void TestNumberText::parse()
{
    QFETCH(QString, parser);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(qint64, value);
    const std::optional<qint64> parsed = Parse(parser, text);
    QCOMPARE(parsed.has_value(), accepted);
    if (parsed)
        QCOMPARE(*parsed, value);
}

void TestNumberText::parseBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Bytes>("bytes");
    const Bytes abc{0x01, 0xA5, 0xFF};
    QTest::newRow("pairs") << u"01 A5 FF"_s << true << abc;
    QTest::newRow("prefixes and mixed separators") << u"0x01,0xa5;0XFF"_s << true << abc;
    QTest::newRow("one part") << u"01a5ff"_s << true << abc;
    QTest::newRow("prefixed long part") << u"0xA5FF01"_s << true << Bytes{0xA5, 0xFF, 0x01};
    QTest::newRow("runs of separators")
        << u" \t01 ,; \n02;;03,"_s << true << Bytes{0x01, 0x02, 0x03};
    QTest::newRow("one-digit parts") << u"1 2 3"_s << true << Bytes{0x01, 0x02, 0x03};
    QTest::newRow("prefixed one digit") << u"0x5 f"_s << true << Bytes{0x05, 0x0F};
    QTest::newRow("empty") << QString() << true << Bytes{};
    QTest::newRow("separators only") << u" ,; \t\r\n"_s << true << Bytes{};
    QTest::newRow("odd digits") << u"123"_s << false << Bytes{};
    QTest::newRow("prefix alone") << u"0x"_s << false << Bytes{};
    QTest::newRow("prefix alone among bytes") << u"01 0x 02"_s << false << Bytes{};
    QTest::newRow("not hex") << u"G1"_s << false << Bytes{};
    QTest::newRow("bad second part") << u"01 2X"_s << false << Bytes{};
    QTest::newRow("plus sign") << u"01 +1"_s << false << Bytes{};
    QTest::newRow("minus sign") << u"-1"_s << false << Bytes{};
    QTest::newRow("double prefix") << u"0x0x12"_s << false << Bytes{};
    QTest::newRow("full-width digits") << u"\uFF11\uFF12"_s << false << Bytes{};
    QTest::newRow("other separator") << u"01.02"_s << false << Bytes{};
    QTest::newRow("non-ASCII blank") << u"01\u00A002"_s << false << Bytes{};
}

void TestNumberText::parseBytes()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(Bytes, bytes);
    const std::optional<Bytes> result = NumberText::ParseBytes(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, bytes);
}

void TestNumberText::format_data()
{
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<QString>("text");

    QTest::newRow("7-bit address") << NumberText::Address(0x50, false) << u"0x50"_s;
    QTest::newRow("8-bit address") << NumberText::Address(0x50, true) << u"0xA0"_s;
    QTest::newRow("7-bit leading zero") << NumberText::Address(0x0A, false) << u"0x0A"_s;
    QTest::newRow("8-bit leading zero") << NumberText::Address(0x05, true) << u"0x0A"_s;
    QTest::newRow("7-bit zero") << NumberText::Address(0x00, false) << u"0x00"_s;
    QTest::newRow("8-bit zero") << NumberText::Address(0x00, true) << u"0x00"_s;
    QTest::newRow("7-bit highest") << NumberText::Address(0x7F, false) << u"0x7F"_s;
    QTest::newRow("7-bit upper-case digits") << NumberText::Address(0x2B, false) << u"0x2B"_s;
    QTest::newRow("8-bit highest") << NumberText::Address(0x7F, true) << u"0xFE"_s;
    QTest::newRow("hex upper case, padded") << NumberText::Hex(0x2b, 4) << u"0x002B"_s;
    QTest::newRow("hex wider than asked") << NumberText::Hex(0x1FFF0, 4) << u"0x1FFF0"_s;
    QTest::newRow("hex 64 bits") << NumberText::Hex(0xFEDCBA9876543210ull, 2)
                                 << u"0xFEDCBA9876543210"_s;
}

void TestNumberText::format()
{
    QFETCH(QString, formatted);
    QFETCH(QString, text);
    QCOMPARE(formatted, text);
}

void TestNumberText::addressRoundTrip()
{
    for (int address = 0; address <= 0x7F; ++address) {
        for (const bool eightBit : {false, true}) {
            const QString text = NumberText::Address(std::uint8_t(address), eightBit);
            QCOMPARE(NumberText::ParseAddress(text, eightBit),
                     std::optional<std::uint8_t>(address));
        }
    }
}

VTL_TEST_MAIN(TestNumberText)
#include "tst_numbertext.moc"
