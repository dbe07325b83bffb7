// The command line's single values: what each parser takes, and that a refusal names the
// argument and says what it takes.
#include "CliValues.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Bytes)

class TestCliValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void address_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<int>("address"); // -1: refused
        QTest::newRow("7-bit with prefix") << u"0x50"_s << false << 0x50;
        QTest::newRow("7-bit bare, blanks") << u" 7f "_s << false << 0x7F;
        QTest::newRow("7-bit too large") << u"80"_s << false << -1;
        QTest::newRow("8-bit write form") << u"0xA0"_s << true << 0x50;
        QTest::newRow("8-bit read form") << u"a1"_s << true << 0x50;
        QTest::newRow("8-bit too large") << u"0x100"_s << true << -1;
        QTest::newRow("decimal sign") << u"+5"_s << false << -1;
        QTest::newRow("empty") << QString() << false << -1;
    }

    void address()
    {
        QFETCH(QString, text);
        QFETCH(bool, eightBit);
        QFETCH(int, address);
        QString error;
        const auto parsed = CliValues::ParseAddress(text, eightBit, u"ADDR"_s, error);
        QCOMPARE(parsed ? int(*parsed) : -1, address);
        if (address < 0) {
            QVERIFY(error.startsWith(u"ADDR '"_s + text + u'\''));
            QVERIFY(error.contains(eightBit ? u"e.g. 0xA0"_s : u"e.g. 0x50"_s));
        }
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value"); // -1: refused
        QTest::newRow("count") << u"count"_s << u"65535"_s << 65535LL;
        QTest::newRow("count 0") << u"count"_s << u"0"_s << -1LL;
        QTest::newRow("count above") << u"count"_s << u"65536"_s << -1LL;
        QTest::newRow("count hex") << u"count"_s << u"0x10"_s << -1LL;
        QTest::newRow("count sign") << u"count"_s << u"+4"_s << -1LL;
        QTest::newRow("count blank") << u"count"_s << u"4 "_s << -1LL;
        QTest::newRow("size decimal") << u"size"_s << u"32768"_s << 32768LL;
        QTest::newRow("size hex") << u"size"_s << u"0x8000"_s << 32768LL;
        QTest::newRow("size prefix only") << u"size"_s << u"0x"_s << -1LL;
        QTest::newRow("size above") << u"size"_s << u"65537"_s << -1LL;
        QTest::newRow("hex bare") << u"hex"_s << u"ff"_s << 255LL;
        QTest::newRow("hex prefixed") << u"hex"_s << u"0XFF"_s << 255LL;
        QTest::newRow("hex above") << u"hex"_s << u"100"_s << -1LL;
        QTest::newRow("hex not") << u"hex"_s << u"fg"_s << -1LL;
    }

    void numbers()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        QString error;
        std::optional<qlonglong> parsed;
        if (kind == u"count"_s) {
            if (const auto v = CliValues::ParseCount(text, 1, 65535, u"COUNT"_s, error))
                parsed = qlonglong(*v);
        } else if (kind == u"size"_s) {
            if (const auto v = CliValues::ParseSize(text, 1, 65536, u"--size"_s, error))
                parsed = qlonglong(*v);
        } else if (const auto v = CliValues::ParseHexNumber(text, 0xFF, u"--to"_s, error)) {
            parsed = qlonglong(*v);
        }
        QCOMPARE(parsed.value_or(-1), value);
        QCOMPARE(error.isEmpty(), value >= 0);
        if (value < 0)
            QVERIFY2(error.contains(u'\'' + text + u'\''), qPrintable(error));
    }

    void registers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width"); // 0: none given
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Bytes>("bytes");
        QTest::newRow("one pair") << u"10"_s << 0 << true << Bytes{0x10};
        QTest::newRow("one digit") << u"0x5"_s << 0 << true << Bytes{0x05};
        QTest::newRow("two pairs") << u"0010"_s << 0 << true << Bytes{0x00, 0x10};
        QTest::newRow("four pairs") << u"01020304"_s << 0 << true << Bytes{1, 2, 3, 4};
        QTest::newRow("five pairs") << u"0102030405"_s << 0 << false << Bytes{};
        QTest::newRow("odd digits") << u"100"_s << 0 << false << Bytes{};
        QTest::newRow("width 2") << u"100"_s << 2 << true << Bytes{0x01, 0x00};
        QTest::newRow("width 3") << u"0x10"_s << 3 << true << Bytes{0x00, 0x00, 0x10};
        QTest::newRow("width 4") << u"ffffffff"_s << 4 << true << Bytes{0xFF, 0xFF, 0xFF, 0xFF};
        QTest::newRow("too wide for 1") << u"100"_s << 1 << false << Bytes{};
        QTest::newRow("too wide for 2") << u"10000"_s << 2 << false << Bytes{};
        QTest::newRow("empty") << QString() << 0 << false << Bytes{};
    }

    void registers()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, ok);
        QFETCH(Bytes, bytes);
        QString error;
        const auto parsed = CliValues::ParseRegister(
            text, width > 0 ? std::optional<int>(width) : std::nullopt, u"REG"_s, error);
        QCOMPARE(parsed.has_value(), ok);
        if (ok)
            QCOMPARE(*parsed, bytes);
        else
            QVERIFY2(error.startsWith(u"REG '"_s + text + u'\''), qPrintable(error));
    }

    void speeds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code"); // -1: refused
        QTest::newRow("10") << u"10"_s << 3;
        QTest::newRow("50") << u"50"_s << 2;
        QTest::newRow("100") << u"100"_s << 0;
        QTest::newRow("400") << u"400"_s << 1;
        QTest::newRow("1000") << u"1000"_s << 4;
        QTest::newRow("with unit") << u"400k"_s << -1;
        QTest::newRow("other") << u"200"_s << -1;
    }

    void speeds()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QString error;
        const auto speed = CliValues::ParseSpeed(text, u"--speed"_s, error);
        QCOMPARE(speed ? int(*speed) : -1, code);
        if (speed)
            QCOMPARE(QString::number(CliValues::SpeedKbits(*speed)), text);
        else
            QVERIFY(error.contains(u"--speed '"_s + text +
                                   u"' is not one of 10, 50, 100, 400, 1000"_s));
    }

    void bytesAndSwitches()
    {
        QString error;
        QCOMPARE(CliValues::ParseBytes(u"01,a5;FF"_s, u"BYTE"_s, error), Bytes({0x01, 0xA5, 0xFF}));
        QVERIFY(!CliValues::ParseBytes(u"123"_s, u"BYTE"_s, error));
        QCOMPARE(error, u"BYTE '123' is not hex bytes (e.g. 01 A5 FF)"_s);
        QCOMPARE(CliValues::ParseOnOff(u"off"_s, u"--pullups"_s, error),
                 std::optional<bool>(false));
        QVERIFY(!CliValues::ParseOnOff(u"On"_s, u"--pullups"_s, error));
        QVERIFY(!CliValues::ParseChoice(u"3"_s, {1, 2}, u"--addr-width"_s, error));
        QCOMPARE(error, u"--addr-width '3' is not one of 1, 2"_s);
    }
};

VTL_TEST_MAIN(TestCliValues)
#include "tst_CliValues.moc"
