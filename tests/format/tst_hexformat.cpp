// SPDX-License-Identifier: MIT
#include "HexFormat.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray sequence(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(i));
    return bytes;
}

// The rendering written plainly, one argument per byte, to check the fast one against.
QString reference(const QByteArray &data, int perLine, bool decimal)
{
    QStringList bytes;
    for (const char byte : data)
        bytes << u"%1"_s.arg(uint(uchar(byte)), 2, 16, QChar(u'0')).toUpper();
    if (perLine <= 0 || data.size() <= perLine)
        return bytes.join(u' ');
    const qsizetype last = (data.size() - 1) - ((data.size() - 1) % perLine);
    const int width = decimal ? int(QString::number(last).size()) : (last <= 0xFF ? 2 : 4);
    QStringList lines;
    for (qsizetype offset = 0; offset < data.size(); offset += perLine) {
        lines << u"%1: "_s.arg(offset, width, decimal ? 10 : 16, QChar(u'0')).toUpper() +
                     bytes.mid(offset, perLine).join(u' ');
    }
    return lines.join(u'\n');
}

} // namespace

class TestHexFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hexByte_data();
    void hexByte();
    void examples_data();
    void examples();
    void offsetPrefixes_data();
    void offsetPrefixes();
    void matchesReference();
    void lineCount_data();
    void lineCount();
};

void TestHexFormat::hexByte_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0x00 << u"00"_s;
    QTest::newRow("leading zero") << 0x0A << u"0A"_s;
    QTest::newRow("upper case") << 0xA5 << u"A5"_s;
    QTest::newRow("highest") << 0xFF << u"FF"_s;
}

void TestHexFormat::hexByte()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(HexFormat::hexByte(uchar(value)), text);
}

void TestHexFormat::examples_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("perLine");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << 16 << false << QString();
    QTest::newRow("one byte, 2 per line") << QByteArray("\xA5") << 2 << false << u"A5"_s;
    QTest::newRow("one byte, full") << QByteArray("\xA5") << 0 << true << u"A5"_s;
    QTest::newRow("16 of 16") << sequence(16) << 16 << false
                              << u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"_s;
    QTest::newRow("17 of 16") << sequence(17) << 16 << false
                              << u"00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s;
    QTest::newRow("20 of 8, hex")
        << sequence(20) << 8 << false
        << u"00: 00 01 02 03 04 05 06 07\n08: 08 09 0A 0B 0C 0D 0E 0F\n10: 10 11 12 13"_s;
    QTest::newRow("20 of 8, decimal")
        << sequence(20) << 8 << true
        << u"00: 00 01 02 03 04 05 06 07\n08: 08 09 0A 0B 0C 0D 0E 0F\n16: 10 11 12 13"_s;
    QTest::newRow("full ignores the layout")
        << sequence(20) << 0 << true << reference(sequence(20), 0, false);
    QTest::newRow("negative is full") << sequence(3) << -1 << false << u"00 01 02"_s;
}

void TestHexFormat::examples()
{
    QFETCH(QByteArray, data);
    QFETCH(int, perLine);
    QFETCH(bool, decimal);
    QFETCH(QString, text);
    QCOMPARE(HexFormat::lines(data, perLine, decimal), text);
}

void TestHexFormat::offsetPrefixes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("perLine");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("300 of 16, hex") << 300 << 16 << false << u"0000:"_s << u"0120:"_s;
    QTest::newRow("256 of 16, hex") << 256 << 16 << false << u"00:"_s << u"F0:"_s;
    QTest::newRow("257 of 16, hex") << 257 << 16 << false << u"0000:"_s << u"0100:"_s;
    QTest::newRow("120 of 16, decimal") << 120 << 16 << true << u"000:"_s << u"112:"_s;
    QTest::newRow("65535 of 2, hex") << 65535 << 2 << false << u"0000:"_s << u"FFFE:"_s;
    QTest::newRow("65535 of 32, decimal") << 65535 << 32 << true << u"00000:"_s << u"65504:"_s;
    QTest::newRow("65537 of 16, hex") << 65537 << 16 << false << u"00000:"_s << u"10000:"_s;
}

void TestHexFormat::offsetPrefixes()
{
    QFETCH(int, size);
    QFETCH(int, perLine);
    QFETCH(bool, decimal);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const QStringList lines =
        HexFormat::lines(sequence(size), perLine, decimal).split(u'\n');
    QCOMPARE(lines.size(), (size + perLine - 1) / perLine);
    QVERIFY2(lines.first().startsWith(first + u' '), qPrintable(lines.first()));
    QVERIFY2(lines.last().startsWith(last + u' '), qPrintable(lines.last()));
}

void TestHexFormat::matchesReference()
{
    // Every length around the line breaks and the offset widths, in every layout.
    QByteArray data;
    for (int i = 0; i < 300; ++i)
        data.append(char((i * 37 + 11) & 0xFF));
    for (const int perLine : {0, 1, 2, 4, 8, 16, 32}) {
        for (int size = 0; size <= 300; ++size) {
            for (const bool decimal : {false, true}) {
                const QByteArray part = data.left(size);
                QCOMPARE(HexFormat::lines(part, perLine, decimal),
                         reference(part, perLine, decimal));
            }
        }
    }
}

void TestHexFormat::lineCount_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("perLine");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << 0 << 16 << 1;
    QTest::newRow("one line") << 16 << 16 << 1;
    QTest::newRow("one more") << 17 << 16 << 2;
    QTest::newRow("full") << 65535 << 0 << 1;
    QTest::newRow("65535 of 16") << 65535 << 16 << 4096;
}

void TestHexFormat::lineCount()
{
    QFETCH(int, size);
    QFETCH(int, perLine);
    QFETCH(int, lines);
    QCOMPARE(HexFormat::lineCount(size, perLine), qsizetype(lines));
    QCOMPARE(HexFormat::lines(sequence(size), perLine, false).count(u'\n') + 1, qsizetype(lines));
}

VTL_TEST_MAIN(TestHexFormat)
#include "tst_hexformat.moc"
