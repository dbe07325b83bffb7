// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "outputcelldelegate.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>

#include <cmath>

class TestOutputCellDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowFitsItsLines_data();
    void rowFitsItsLines();
};

void TestOutputCellDelegate::rowFitsItsLines_data()
{
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<int>("lines");
    // Sizes whose rounded line spacing lies above, at and below the exact one.
    for (const qreal size : {6.0, 8.0, 9.0, 9.5, 11.0, 12.5, 15.0}) {
        for (const int lines : {1, 10, 4096})
            QTest::addRow("%.1f pt, %d lines", size, lines) << size << lines;
    }
}

// The height a row gets holds every line as the font's metrics, rounded or exact, space it.
void TestOutputCellDelegate::rowFitsItsLines()
{
    QFETCH(qreal, pointSize);
    QFETCH(int, lines);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    const int height = OutputCellDelegate::textHeight(lines, font);
    QVERIFY2(height >= lines * QFontMetrics(font).lineSpacing(),
             qPrintable(QString::number(height)));
    QVERIFY2(height >= std::ceil(lines * QFontMetricsF(font).lineSpacing()),
             qPrintable(QString::number(height)));
    QCOMPARE(height, lines * OutputCellDelegate::linePitch(font));
}

VTL_TEST_MAIN(TestOutputCellDelegate)
#include "tst_outputcelldelegate.moc"
