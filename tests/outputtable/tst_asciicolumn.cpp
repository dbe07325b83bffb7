// SPDX-License-Identifier: MIT
#include "AsciiColumn.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestAsciiColumn : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
};

void TestAsciiColumn::lines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("perLine");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << 16 << QString();
    // Blank and tilde are the printable ends; 0x1F, 0x7F and 0x80 become dots.
    QTest::newRow("one line") << QByteArray("\x1F Az~\x7F\x80", 7) << 16
                              << u"1F 20 41 7A 7E 7F 80  . Az~.."_s;
    QTest::newRow("full") << QByteArray("Hello, I2C") << 0
                          << u"48 65 6C 6C 6F 2C 20 49 32 43  Hello, I2C"_s;
    QTest::newRow("short last line padded")
        << QByteArray("ABCDE") << 2 << u"00: 41 42  AB\n02: 43 44  CD\n04: 45     E"_s;
}

void TestAsciiColumn::lines()
{
    QFETCH(QByteArray, data);
    QFETCH(int, perLine);
    QFETCH(QString, expected);
    QCOMPARE(AsciiColumn::Lines(data, perLine, false), expected);
}

VTL_TEST_MAIN(TestAsciiColumn)
#include "tst_asciicolumn.moc"
