// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "WideToUtf8.h"

#include <QTest>

#include <string>

class TestWideToUtf8 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void utf16_data()
    {
        QTest::addColumn<QList<quint16>>("units");
        QTest::addColumn<QByteArray>("utf8");

        QTest::newRow("empty") << QList<quint16>{} << QByteArray();
        QTest::newRow("A") << QList<quint16>{0x41} << QByteArray::fromHex("41");
        QTest::newRow("U+007F") << QList<quint16>{0x7F} << QByteArray::fromHex("7F");
        QTest::newRow("U+0080") << QList<quint16>{0x80} << QByteArray::fromHex("C280");
        QTest::newRow("U+00E9") << QList<quint16>{0xE9} << QByteArray::fromHex("C3A9");
        QTest::newRow("U+07FF") << QList<quint16>{0x7FF} << QByteArray::fromHex("DFBF");
        QTest::newRow("U+0800") << QList<quint16>{0x800} << QByteArray::fromHex("E0A080");
        QTest::newRow("U+20AC") << QList<quint16>{0x20AC} << QByteArray::fromHex("E282AC");
        QTest::newRow("U+FFFF") << QList<quint16>{0xFFFF} << QByteArray::fromHex("EFBFBF");
        QTest::newRow("U+1F600 pair")
            << QList<quint16>{0xD83D, 0xDE00} << QByteArray::fromHex("F09F9880");
        QTest::newRow("U+10FFFF pair")
            << QList<quint16>{0xDBFF, 0xDFFF} << QByteArray::fromHex("F48FBFBF");
        QTest::newRow("lone high") << QList<quint16>{0xD800} << QByteArray::fromHex("EDA080");
        QTest::newRow("lone low") << QList<quint16>{0xDC00} << QByteArray::fromHex("EDB080");
        QTest::newRow("high, then A")
            << QList<quint16>{0xD83D, 0x41} << QByteArray::fromHex("EDA0BD41");
        QTest::newRow("low before high")
            << QList<quint16>{0xDE00, 0xD83D} << QByteArray::fromHex("EDB880EDA0BD");
        QTest::newRow("two highs, then low")
            << QList<quint16>{0xD800, 0xD83D, 0xDE00} << QByteArray::fromHex("EDA080F09F9880");
        QTest::newRow("mixed") << QList<quint16>{0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0x5A}
                               << QByteArray::fromHex("41C3A9E282ACF09F98805A");
    }

    void utf16()
    {
        QFETCH(QList<quint16>, units);
        QFETCH(QByteArray, utf8);

        std::u16string text(units.begin(), units.end());
        QCOMPARE(QByteArray::fromStdString(WideToUtf8(text.c_str())), utf8);
    }

    void utf32_data()
    {
        QTest::addColumn<QList<quint32>>("units");
        QTest::addColumn<QByteArray>("utf8");

        QTest::newRow("A") << QList<quint32>{0x41} << QByteArray::fromHex("41");
        QTest::newRow("U+00E9") << QList<quint32>{0xE9} << QByteArray::fromHex("C3A9");
        QTest::newRow("U+20AC") << QList<quint32>{0x20AC} << QByteArray::fromHex("E282AC");
        QTest::newRow("U+1F600") << QList<quint32>{0x1F600} << QByteArray::fromHex("F09F9880");
        QTest::newRow("U+10000") << QList<quint32>{0x10000} << QByteArray::fromHex("F0908080");
        QTest::newRow("U+10FFFF") << QList<quint32>{0x10FFFF} << QByteArray::fromHex("F48FBFBF");
        QTest::newRow("above U+10FFFF")
            << QList<quint32>{0x110000} << QByteArray::fromHex("EFBFBD");
        QTest::newRow("all bits set")
            << QList<quint32>{0xFFFFFFFF} << QByteArray::fromHex("EFBFBD");
        QTest::newRow("lone surrogate") << QList<quint32>{0xD800} << QByteArray::fromHex("EDA080");
        QTest::newRow("surrogate pair")
            << QList<quint32>{0xD83D, 0xDE00} << QByteArray::fromHex("F09F9880");
        QTest::newRow("mixed") << QList<quint32>{0x41, 0x1F600, 0x110000, 0xE9}
                               << QByteArray::fromHex("41F09F9880EFBFBDC3A9");
    }

    void utf32()
    {
        QFETCH(QList<quint32>, units);
        QFETCH(QByteArray, utf8);

        std::u32string text(units.begin(), units.end());
        QCOMPARE(QByteArray::fromStdString(WideToUtf8(text.c_str())), utf8);
    }

    // hidapi's own strings: wchar_t, which is 32 bits wide on Linux and macOS.
    void wideStringsFromTheLibrary()
    {
        const std::wstring text = L"A\u00E9\u20AC\U0001F600";
        QCOMPARE(QByteArray::fromStdString(WideToUtf8(text.c_str())),
                 QByteArray::fromHex("41C3A9E282ACF09F9880"));
        if constexpr (sizeof(wchar_t) == 4) {
            const wchar_t beyond[] = {static_cast<wchar_t>(0x110000), 0};
            QCOMPARE(QByteArray::fromStdString(WideToUtf8(beyond)), QByteArray::fromHex("EFBFBD"));
        }
    }

    void nullGivesEmpty()
    {
        QCOMPARE(WideToUtf8(static_cast<const wchar_t *>(nullptr)), std::string());
        QCOMPARE(WideToUtf8(static_cast<const char16_t *>(nullptr)), std::string());
        QCOMPARE(WideToUtf8(static_cast<const char32_t *>(nullptr)), std::string());
    }
};

VTL_TEST_MAIN(TestWideToUtf8)
#include "tst_widetoutf8.moc"
