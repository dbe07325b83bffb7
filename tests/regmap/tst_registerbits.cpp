// SPDX-License-Identifier: MIT
// Register values as bits, bytes, meanings and typed text, and the plan of Read All.
#include "RegisterBits.h"
#include "RegisterPlan.h"
#include "RegisterText.h"
#include "VtlTestMain.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

SRegisterField Field(int msb, int lsb, bool isSigned = false)
{
    SRegisterField field;
    field.name = u"F"_s;
    field.msb = msb;
    field.lsb = lsb;
    field.isSigned = isSigned;
    return field;
}

// "00:1:rw 01:2:rc ...": address, size and access of each register, named R<address>.
SRegisterMap Map(const QString &registers, bool autoIncrement)
{
    SRegisterMap map;
    map.autoIncrement = autoIncrement;
    for (const QString &entry : registers.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(u':');
        SRegister reg;
        reg.name = u"R"_s + parts.at(0);
        reg.address = parts.at(0).toUInt(nullptr, 16);
        reg.size = parts.at(1).toInt();
        reg.access = *RegisterAccess::FromWord(parts.at(2));
        map.registers.append(reg);
    }
    return map;
}

} // namespace

Q_DECLARE_METATYPE(SRegisterField)

class TestRegisterBits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldBits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("little");
        QTest::addColumn<int>("msb");
        QTest::addColumn<int>("lsb");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<uint>("raw");
        QTest::addColumn<qint64>("number");

        QTest::newRow("1 byte, whole")
            << 1 << false << 7 << 0 << false << QByteArray("A5") << 0xA5u << qint64(165);
        QTest::newRow("1 byte, signed")
            << 1 << false << 7 << 0 << true << QByteArray("A5") << 0xA5u << qint64(-91);
        QTest::newRow("1 byte, middle bits")
            << 1 << false << 5 << 3 << false << QByteArray("28") << 5u << qint64(5);
        QTest::newRow("2 bytes big, left-justified, signed")
            << 2 << false << 15 << 4 << true << QByteArray("FF 80") << 0xFF8u << qint64(-8);
        QTest::newRow("2 bytes little, left-justified, signed")
            << 2 << true << 15 << 4 << true << QByteArray("80 FF") << 0xFF8u << qint64(-8);
        QTest::newRow("2 bytes, one bit in the high byte")
            << 2 << false << 8 << 8 << false << QByteArray("01 00") << 1u << qint64(1);
        QTest::newRow("3 bytes big") << 3 << false << 23 << 0 << false << QByteArray("12 34 56")
                                     << 0x123456u << qint64(0x123456);
        QTest::newRow("3 bytes little, signed 20 bits")
            << 3 << true << 19 << 0 << true << QByteArray("56 34 F2") << 0x23456u
            << qint64(0x23456);
        QTest::newRow("4 bytes, bit 31")
            << 4 << false << 31 << 31 << false << QByteArray("80 00 00 00") << 1u << qint64(1);
        QTest::newRow("4 bytes little, all 32 bits signed")
            << 4 << true << 31 << 0 << true << QByteArray("FE FF FF FF") << 0xFFFFFFFEu
            << qint64(-2);
        QTest::newRow("4 bytes, all 32 bits unsigned")
            << 4 << false << 31 << 0 << false << QByteArray("FF FF FF FE") << 0xFFFFFFFEu
            << qint64(0xFFFFFFFE);
        QTest::newRow("4 bytes, bits 31:1")
            << 4 << false << 31 << 1 << false << QByteArray("FF FF FF FE") << 0x7FFFFFFFu
            << qint64(0x7FFFFFFF);
    }

    // Bytes to value to field and back: the field's bits change and no other bit does.
    void fieldBits()
    {
        QFETCH(int, size);
        QFETCH(bool, little);
        QFETCH(int, msb);
        QFETCH(int, lsb);
        QFETCH(bool, isSigned);
        QFETCH(QByteArray, wire);
        QFETCH(uint, raw);
        QFETCH(qint64, number);

        const auto order = little ? ERegisterByteOrder::Little : ERegisterByteOrder::Big;
        const QByteArray bytes = QByteArray::fromHex(wire);
        const std::vector<unsigned char> data(bytes.begin(), bytes.end());
        const std::optional<std::uint32_t> value = RegisterBits::FromBytes(data, 0, size, order);
        QVERIFY(value);
        QCOMPARE(RegisterBits::ToBytes(*value, size, order), data);
        const SRegisterField field = Field(msb, lsb, isSigned);
        QCOMPARE(RegisterBits::Extract(*value, field), raw);
        QCOMPARE(RegisterBits::Number(raw, field), number);

        const std::uint32_t ones = std::uint32_t((std::uint64_t(1) << (8 * size)) - 1);
        const std::uint32_t mask = RegisterBits::Mask(field);
        QCOMPARE(RegisterBits::Insert(0, field, raw), *value & mask);
        QCOMPARE(RegisterBits::Insert(ones, field, 0), ones & ~mask);
        QCOMPARE(RegisterBits::Insert(*value, field, raw), *value);
        // A field value wider than the field is cut to it, never spilling into neighbours.
        QCOMPARE(RegisterBits::Insert(0, field, 0xFFFFFFFFu), mask);
        QVERIFY(!RegisterBits::FromBytes(data, 1, size, order));
    }

    void addressBytes()
    {
        QCOMPARE(RegisterBits::AddressBytes(0x1234, 2), (std::vector<unsigned char>{0x12, 0x34}));
        QCOMPARE(RegisterBits::AddressBytes(0xFE, 1), std::vector<unsigned char>{0xFE});
    }

    void meaning_data()
    {
        QTest::addColumn<SRegisterField>("field");
        QTest::addColumn<uint>("raw");
        QTest::addColumn<QString>("meaning");

        SRegisterField temp = Field(15, 4, true);
        temp.scale = 0.0625;
        temp.unit = u"°C"_s;
        QTest::newRow("scaled, signed") << temp << 0x191u << u"25.06 °C"_s;
        QTest::newRow("scaled, negative") << temp << 0xFF8u << u"-0.50 °C"_s;
        SRegisterField volts = Field(14, 0);
        volts.scale = 0.00125;
        volts.unit = u"V"_s;
        QTest::newRow("millivolt steps") << volts << 4000u << u"5.000 V"_s;
        SRegisterField offset = Field(7, 0);
        offset.add = -0.5;
        QTest::newRow("offset with a fraction, no unit") << offset << 3u << u"2.5"_s;
        SRegisterField faults = Field(12, 11);
        faults.enumTexts = {{0, u"1 fault"_s}, {3, u"6 faults"_s}};
        QTest::newRow("enum") << faults << 3u << u"6 faults"_s;
        QTest::newRow("enum without a text") << faults << 2u << u"2"_s;
        QTest::newRow("one bit set") << Field(8, 8) << 1u << u"set"_s;
        QTest::newRow("one bit clear") << Field(31, 31) << 0u << u"clear"_s;
        QTest::newRow("plain signed") << Field(3, 0, true) << 0xFu << u"-1"_s;
    }

    void meaning()
    {
        QFETCH(SRegisterField, field);
        QFETCH(uint, raw);
        QFETCH(QString, meaning);
        QCOMPARE(RegisterText::FieldMeaning(field, raw), meaning);
    }

    void registerTexts()
    {
        SRegister reg;
        reg.name = u"CONFIG"_s;
        reg.size = 2;
        SRegisterField sd = Field(8, 8);
        sd.name = u"SD"_s;
        SRegisterField rate = Field(7, 6);
        rate.name = u"CR"_s;
        rate.enumTexts = {{2, u"4 Hz"_s}};
        reg.fields = {sd, rate};
        QCOMPARE(RegisterText::RegisterMeaning(reg, 0x01A0), u"SD=set, CR=4 Hz"_s);
        QCOMPARE(RegisterText::Hex(0x1A0, 2), u"0x01A0"_s);
        QCOMPARE(RegisterText::Hex(0x5, 4), u"0x00000005"_s);
        QCOMPARE(RegisterText::Address(0x12, 2), u"0x0012"_s);
        QCOMPARE(RegisterText::Bits(sd), u"[8]"_s);
        QCOMPARE(RegisterText::Bits(rate), u"[7:6]"_s);
    }

    void parseValues_data()
    {
        QTest::addColumn<int>("msb"); // -1: the whole 16-bit register
        QTest::addColumn<int>("lsb");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value"); // -1: refused

        QTest::newRow("register hex") << -1 << 0 << false << u"0x60a0"_s << qint64(0x60A0);
        QTest::newRow("register decimal") << -1 << 0 << false << u" 255 "_s << qint64(255);
        QTest::newRow("register too wide") << -1 << 0 << false << u"0x10000"_s << qint64(-1);
        QTest::newRow("register negative") << -1 << 0 << false << u"-1"_s << qint64(-1);
        QTest::newRow("register hex without digits") << -1 << 0 << false << u"0x"_s << qint64(-1);
        QTest::newRow("register plus sign") << -1 << 0 << false << u"+5"_s << qint64(-1);
        QTest::newRow("field enum text") << 12 << 11 << false << u"4 FAULTS"_s << qint64(2);
        QTest::newRow("field at its top") << 12 << 11 << false << u"3"_s << qint64(3);
        QTest::newRow("field too wide") << 12 << 11 << false << u"4"_s << qint64(-1);
        QTest::newRow("signed field negative") << 15 << 4 << true << u"-8"_s << qint64(0xFF8);
        QTest::newRow("signed field too low") << 15 << 4 << true << u"-2049"_s << qint64(-1);
        QTest::newRow("unsigned field negative") << 15 << 4 << false << u"-1"_s << qint64(-1);
        QTest::newRow("not a number") << 12 << 11 << false << u"three"_s << qint64(-1);
    }

    void parseValues()
    {
        QFETCH(int, msb);
        QFETCH(int, lsb);
        QFETCH(bool, isSigned);
        QFETCH(QString, text);
        QFETCH(qint64, value);

        SRegister reg;
        reg.name = u"R"_s;
        reg.size = 2;
        SRegisterField field = Field(msb, lsb, isSigned);
        field.enumTexts = {{0, u"1 fault"_s}, {2, u"4 faults"_s}};
        QString error;
        const std::optional<std::uint32_t> parsed =
            msb < 0 ? RegisterText::ParseRegisterValue(reg, text, error)
                    : RegisterText::ParseFieldValue(reg, field, text, error);
        QCOMPARE(parsed.has_value(), value >= 0);
        if (parsed)
            QCOMPARE(qint64(*parsed), value);
        else
            QVERIFY2(error.contains(u"'%1' is no value of R"_s.arg(text)), qPrintable(error));
    }

    // What the command line takes for a field: the value as FieldMeaning shows it, or its
    // bits after raw:.
    void parseShownValues_data()
    {
        QTest::addColumn<SRegisterField>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("raw"); // -1: refused

        SRegisterField celsius = Field(15, 4, true);
        celsius.scale = 0.0625;
        celsius.unit = u"°C"_s;
        SRegisterField offset = Field(7, 0);
        offset.scale = 0.5;
        offset.add = -40;
        SRegisterField choice = Field(2, 0);
        choice.enumTexts = {{0, u"1"_s}, {1, u"4"_s}, {2, u"16"_s}};
        const SRegisterField flag = Field(3, 3);
        const SRegisterField count = Field(7, 0, true);
        const SRegisterField word = Field(31, 0);
        const auto row = [](const char *name, const SRegisterField &field, const QString &text,
                            qint64 raw) {
            QTest::newRow(name) << field << text << raw;
        };

        row("in the unit", celsius, u"75"_s, 0x4B0);
        row("as shown, unit and blanks", celsius, u" 75.00 °C "_s, 0x4B0);
        row("nearest step above", celsius, u"75.04"_s, 0x4B1);
        row("negative in the unit", celsius, u"-5"_s, 0xFB0);
        row("highest step", celsius, u"127.94"_s, 0x7FF);
        row("beyond the highest step", celsius, u"127.97"_s, -1);
        row("lowest within half a step", celsius, u"-128.03"_s, 0x800);
        row("beyond the lowest step", celsius, u"-128.04"_s, -1);
        row("hex is no temperature", celsius, u"0x4B"_s, -1);
        row("another unit", celsius, u"75 K"_s, -1);
        row("raw count", celsius, u"raw:0x4B0"_s, 0x4B0);
        row("raw negative, letter case", celsius, u"RAW:-1"_s, 0xFFF);
        row("raw beyond the bits", celsius, u"raw:0x1000"_s, -1);
        row("raw beyond the signed range", celsius, u"raw:-2049"_s, -1);
        row("offset, lowest", offset, u"-40"_s, 0);
        row("offset, highest", offset, u"87.5"_s, 255);
        row("offset, beyond", offset, u"88"_s, -1);
        row("enum text", choice, u"16"_s, 2);
        row("enum text that is another value's number", choice, u"4"_s, 1);
        row("number of a value without text", choice, u"3"_s, 3);
        row("number of a value with text", choice, u"2"_s, -1);
        row("beyond the enum's bits", choice, u"8"_s, -1);
        row("flag set", flag, u"SET"_s, 1);
        row("flag 1", flag, u"1"_s, 1);
        row("flag 2", flag, u"2"_s, -1);
        row("signed, lowest", count, u"-128"_s, 0x80);
        row("signed, beyond", count, u"128"_s, -1);
        row("signed, hex pattern", count, u"0xFF"_s, -1);
        row("signed, raw pattern", count, u"raw:0xFF"_s, 0xFF);
        row("32 bits, raw", word, u"raw:0xFFFFFFFF"_s, 0xFFFFFFFF);
        row("raw without digits", word, u"raw:"_s, -1);
    }

    void parseShownValues()
    {
        QFETCH(SRegisterField, field);
        QFETCH(QString, text);
        QFETCH(qint64, raw);

        SRegister reg;
        reg.name = u"R"_s;
        reg.size = 4;
        QString error;
        const std::optional<std::uint32_t> parsed =
            RegisterText::ParseShownFieldValue(reg, field, text, error);
        QCOMPARE(parsed.has_value(), raw >= 0);
        if (parsed)
            QCOMPARE(qint64(*parsed), raw);
        else
            QVERIFY2(error.startsWith(u"'%1' is no value of R.F ("_s.arg(text)), qPrintable(error));
    }

    void readAllPlan_data()
    {
        QTest::addColumn<QString>("registers");
        QTest::addColumn<bool>("autoIncrement");
        QTest::addColumn<int>("maxRead");
        QTest::addColumn<QString>("reads"); // address+count of each write/read

        const QString mixed = u"00:1:rw 01:1:ro 02:2:rw 04:1:rc 05:1:rw 06:1:wo 07:1:rw 09:1:rw"_s;
        QTest::newRow("one per register, wo and rc skipped")
            << mixed << false << 0 << u"00+1 01+1 02+2 05+1 07+1 09+1"_s;
        QTest::newRow("runs broken by rc, wo and a gap")
            << mixed << true << 0 << u"00+4 05+1 07+1 09+1"_s;
        QTest::newRow("runs cut at the adapter's limit")
            << u"00:2:rw 02:2:rw 04:2:rw 06:2:rw 08:1:rw"_s << true << 4 << u"00+4 04+4 08+1"_s;
        QTest::newRow("file order does not matter")
            << u"02:1:rw 00:1:rw 01:1:rw 10:4:ro"_s << true << 0 << u"00+3 10+4"_s;
        QTest::newRow("two registers at one address")
            << u"00:1:rw 00:1:ro 01:1:rw"_s << true << 0 << u"00+1 00+2"_s;
        QTest::newRow("nothing readable") << u"00:1:wo 01:1:rc"_s << true << 0 << QString();
    }

    void readAllPlan()
    {
        QFETCH(QString, registers);
        QFETCH(bool, autoIncrement);
        QFETCH(int, maxRead);
        QFETCH(QString, reads);

        const SRegisterMap map = Map(registers, autoIncrement);
        QStringList seen;
        for (const SRegisterRead &read : RegisterPlan::ReadAll(map, std::size_t(maxRead))) {
            std::size_t bytes = 0;
            for (const int index : read.registers)
                bytes += std::size_t(map.registers.at(index).size);
            QCOMPARE(bytes, read.byteCount);
            seen << u"%1+%2"_s.arg(uint(read.address), 2, 16, QChar(u'0')).arg(read.byteCount);
        }
        QCOMPARE(seen.join(u' '), reads);
    }
};

VTL_TEST_MAIN(TestRegisterBits)
#include "tst_registerbits.moc"
