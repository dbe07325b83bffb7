// SPDX-License-Identifier: MIT
// The hex view's model under the model tester: rows of 16 with offsets, editing a cell,
// the highlight of changed and differing bytes, and the pages a program has to write.
#include "EepromHexModel.h"
#include "VtlTestMain.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestEepromHexModel : public QObject
{
    Q_OBJECT

private:
    static QByteArray Counting(int size)
    {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(0x41 + i % 26);
        return bytes;
    }

private Q_SLOTS:
    void rowsOffsetsAndAscii()
    {
        EepromHexModel model;
        QAbstractItemModelTester tester(&model);
        model.setContents(Counting(2048 + 5));
        QCOMPARE(model.rowCount(), 129);
        QCOMPARE(model.headerData(128, Qt::Vertical).toString(), u"0x0800"_s);
        QCOMPARE(model.index(1, 0).data().toString(), u"51"_s);
        QCOMPARE(model.index(0, EepromHexModel::ASCII_COLUMN).data().toString(),
                 u"ABCDEFGHIJKLMNOP"_s);
        // Past the end of the memory a row has no cells to edit.
        QVERIFY(!(model.flags(model.index(128, 5)) & Qt::ItemIsEditable));
        QVERIFY(model.flags(model.index(128, 4)) & Qt::ItemIsEditable);
        model.setContents(QByteArray(131072, '\xFF'));
        QCOMPARE(model.headerData(8191, Qt::Vertical).toString(), u"0x1FFF0"_s);
    }

    void editingHighlightsAndNamesChangedPages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("two digits") << u"7e"_s << true;
        QTest::newRow("one digit") << u"7"_s << true;
        QTest::newRow("three digits") << u"100"_s << false;
        QTest::newRow("not hex") << u"zz"_s << false;
        QTest::newRow("blanks around") << u" 7e "_s << true;
        QTest::newRow("sign") << u"+7"_s << false;
        QTest::newRow("prefix") << u"0x"_s << false;
    }

    void editingHighlightsAndNamesChangedPages()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        EepromHexModel model;
        QAbstractItemModelTester tester(&model);
        model.setContents(Counting(2048));
        // One byte in block 0, one in block 5 of a 24x16.
        QCOMPARE(model.setData(model.index(2, 3), text), accepted);
        QCOMPARE(model.setData(model.index(0x53, 0xF), text), accepted);
        const bool changed = accepted && text != u"7"_s; // 0x07 differs from every letter
        QCOMPARE(model.isChanged(0x23), accepted);
        QCOMPARE(model.index(2, 3).data(Qt::BackgroundRole).isValid(), accepted);
        const std::vector<std::size_t> expected =
            accepted ? std::vector<std::size_t>{0x20, 0x530} : std::vector<std::size_t>{};
        QCOMPARE(model.changedPages(16), expected);
        if (changed)
            QCOMPARE(model.index(2, EepromHexModel::ASCII_COLUMN).data().toString().at(3), u'~');
        model.acceptChanges();
        QVERIFY(model.changedPages(16).empty());
        QVERIFY(!model.index(2, 3).data(Qt::BackgroundRole).isValid());
    }

    void differingBytesAfterVerify()
    {
        EepromHexModel model;
        model.setContents(Counting(64));
        model.setDiffering({0x11});
        const QBrush differing = model.index(1, 1).data(Qt::BackgroundRole).value<QBrush>();
        QVERIFY(differing.style() != Qt::NoBrush);
        QVERIFY(!model.index(1, 2).data(Qt::BackgroundRole).isValid());
        model.setContents(Counting(64));
        QVERIFY(!model.index(1, 1).data(Qt::BackgroundRole).isValid());
    }
};

VTL_TEST_MAIN(TestEepromHexModel)
#include "tst_eepromhexmodel.moc"
