// SPDX-License-Identifier: MIT
#include "TableCopy.h"
#include "TableSequence.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

QList<TableCopy::SRow> rows()
{
    return {
        {u"Search"_s, QString(), u"0x23, 0x50"_s, std::nullopt, {}, false},
        {u"Read 0x50"_s,
         u"0x11"_s,
         u"00: 00 01\n02: 02"_s,
         QByteArray("\x00\x01\x02", 3),
         {},
         false},
        {u"Write [None]"_s, u"0x80  no start"_s, u"FF"_s, QByteArray("\xFF"), {}, true},
    };
}

TableCopy::SRow transfer(const STransactionRequest &request, qint64 startedMs, bool error = false)
{
    return {u"Transfer"_s, {}, {}, std::nullopt, {startedMs, 500}, error, std::nullopt, request};
}

} // namespace

class TestTableCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void report();
    void data();
    void dataAsShown();
    void singleRow();
    void asSequence_data();
    void asSequence();
};

void TestTableCopy::report()
{
    const QString text = TableCopy::report(rows());
    QCOMPARE(text, u"Search\t\t0x23, 0x50\n"
                   "Read 0x50\t0x11\t00 01 02\n"
                   "Write [None]\t0x80  no start\tFF"_s);
    for (const QString &line : text.split(u'\n'))
        QCOMPARE(line.count(u'\t'), 2);
}

void TestTableCopy::data()
{
    // Bytes on one line whatever the layout; a text row gives its text.
    QCOMPARE(TableCopy::data(rows()), u"0x23, 0x50\n00 01 02\nFF"_s);
}

void TestTableCopy::dataAsShown()
{
    QCOMPARE(TableCopy::dataAsShown(rows()), u"0x23, 0x50\n\n00: 00 01\n02: 02\n\nFF"_s);
}

void TestTableCopy::singleRow()
{
    const QList<TableCopy::SRow> one = rows().mid(1, 1);
    QCOMPARE(TableCopy::report(one), u"Read 0x50\t0x11\t00 01 02"_s);
    QCOMPARE(TableCopy::dataAsShown(one), u"00: 00 01\n02: 02"_s);
}

void TestTableCopy::asSequence_data()
{
    QTest::addColumn<bool>("delays");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("without delays") << false << QStringList{u"w2@0x48 01 60"_s, u"w1@0x50 10 r4"_s};
    QTest::newRow("with delays") << true
                                 << QStringList{u"w2@0x48 01 60"_s, u"delay 11ms"_s,
                                                u"w1@0x50 10 r4"_s};
}

// Only transfers that went through become steps: not the search, the read without its
// request, the failed write nor the refused read. A pause runs from the end of one step
// to the start of the next, whatever failed in between.
void TestTableCopy::asSequence()
{
    QFETCH(bool, delays);
    QFETCH(QStringList, lines);
    QList<TableCopy::SRow> table = rows();
    table.insert(1, transfer(STransactionRequest::Write(0x48, {0x01, 0x60}), 1000));
    table << transfer(STransactionRequest::Read(0x33, 1), 1005, true)
          << transfer(STransactionRequest::WriteRead(0x50, {0x10}, 4), 1012);
    const SSequenceRecording recording = TableSequence::FromRows(table, delays);
    QCOMPARE(recording.lines, lines);
    QCOMPARE(recording.skipped, 4);
}

VTL_TEST_MAIN(TestTableCopy)
#include "tst_tablecopy.moc"
