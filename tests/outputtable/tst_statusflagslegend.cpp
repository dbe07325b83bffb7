// SPDX-License-Identifier: MIT
#include "StatusFlagsLegend.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestStatusFlagsLegend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bits_data();
    void bits();
};

void TestStatusFlagsLegend::bits_data()
{
    QTest::addColumn<QString>("flags");
    // The bit lines, or nothing when the text carries no status byte.
    QTest::addColumn<QStringList>("lines");
    const auto bits = [](int error, int arbitration, int count) {
        return QStringList{u"bit 7 = %1: error (no acknowledge)"_s.arg(error),
                           u"bit 6 = %1: arbitration lost"_s.arg(arbitration),
                           u"bits 5..0 = %1: data bytes in a read reply"_s.arg(count)};
    };
    QTest::newRow("read of 3 bytes") << u"0x03"_s << bits(0, 0, 3);
    QTest::newRow("NACK with reason") << u"0x80  NACK"_s << bits(1, 0, 0);
    QTest::newRow("arbitration lost") << u"0x40  Arbitration lost"_s << bits(0, 1, 0);
    QTest::newRow("all set, lower case") << u"0xff"_s << bits(1, 1, 63);
    QTest::newRow("no status") << u"Timeout"_s << QStringList();
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one digit") << u"0x8"_s << QStringList();
    QTest::newRow("four digits") << u"0x1234"_s << QStringList();
}

void TestStatusFlagsLegend::bits()
{
    QFETCH(QString, flags);
    QFETCH(QStringList, lines);
    const QString tip = StatusFlagsLegend::ToolTip(flags);
    if (lines.isEmpty()) {
        QCOMPARE(tip, QString());
        return;
    }
    QStringList shown = tip.split(u'\n');
    QCOMPARE(shown.size(), 4);
    QVERIFY2(shown.takeFirst().contains(flags.left(4)), qPrintable(tip));
    QCOMPARE(shown, lines);
}

VTL_TEST_MAIN(TestStatusFlagsLegend)
#include "tst_statusflagslegend.moc"
