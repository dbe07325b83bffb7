// SPDX-License-Identifier: MIT
// Decoding read bytes into one number: every type in both byte orders against known
// vectors, offsets, too few bytes, scale and offset, and the type words of the files.
#include "SValueDecoding.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;

class TestSValueDecoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<double>("expected");
        const auto row = [](const char *name, const char *word, const char *hex, double value) {
            QTest::newRow(name) << QString::fromLatin1(word) << QString::fromLatin1(hex) << value;
        };
        row("u8", "u8", "FE", 254);
        row("s8 negative", "s8", "FE", -2);
        row("s8 positive", "s8", "7F", 127);
        row("u16be", "u16be", "018E", 398);
        row("u16le", "u16le", "8E01", 398);
        row("s16be min", "s16be", "8000", -32768);
        row("s16le -2", "s16le", "FEFF", -2);
        row("u24be", "u24be", "123456", 0x123456);
        row("u24le", "u24le", "563412", 0x123456);
        row("s24be -1", "s24be", "FFFFFF", -1);
        row("s24le min", "s24le", "000080", -8388608);
        row("u32be max", "u32be", "FFFFFFFF", 4294967295.0);
        row("u32le", "u32le", "78563412", 0x12345678);
        row("s32be min", "s32be", "80000000", -2147483648.0);
        row("s32le -2", "s32le", "FEFFFFFF", -2);
        row("f32be 1.5", "f32be", "3FC00000", 1.5);
        row("f32le -2.25", "f32le", "000010C0", -2.25);
    }

    void decode()
    {
        QFETCH(QString, word);
        QFETCH(QString, bytes);
        QFETCH(double, expected);
        const std::optional<EValueType> type = SValueDecoding::TypeFromWord(word);
        QVERIFY(type.has_value());
        QCOMPARE(SValueDecoding::TypeWord(*type), word);
        const QByteArray raw = QByteArray::fromHex(bytes.toLatin1());
        SValueDecoding decoding;
        decoding.type = *type;
        const std::optional<double> value = decoding.Decode(Bytes(raw.begin(), raw.end()));
        QVERIFY(value.has_value());
        QCOMPARE(*value, expected);

        // The same number found further into the bytes, then scaled and shifted.
        Bytes padded{0xAA, 0xBB};
        padded.insert(padded.end(), raw.begin(), raw.end());
        decoding.offset = 2;
        decoding.scale = 0.5;
        decoding.add = 10;
        QCOMPARE(*decoding.Decode(padded), expected * 0.5 + 10);
        padded.pop_back();
        QVERIFY(!decoding.Decode(padded).has_value());
    }

    void notANumberIsNoValue()
    {
        SValueDecoding decoding;
        decoding.type = EValueType::F32Be;
        QVERIFY(!decoding.Decode({0x7F, 0xC0, 0x00, 0x00}).has_value());
        QVERIFY(!decoding.Decode({0x7F, 0x80, 0x00, 0x00}).has_value());
    }

    void unknownTypeWords()
    {
        QVERIFY(!SValueDecoding::TypeFromWord(u"u16"_s).has_value());
        QVERIFY(!SValueDecoding::TypeFromWord(QString()).has_value());
        QCOMPARE(SValueDecoding::TypeFromWord(u"U16BE"_s), std::optional(EValueType::U16Be));
    }
};

VTL_TEST_MAIN(TestSValueDecoding)
#include "tst_SValueDecoding.moc"
