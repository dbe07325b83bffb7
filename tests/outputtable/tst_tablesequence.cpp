// SPDX-License-Identifier: MIT
#include "TableSequence.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

using Rows = QList<TableCopy::SRow>;

TableCopy::SRow transferRow(const STransactionRequest &request, qint64 startedMs,
                            std::optional<qint64> durationUs, bool error = false)
{
    TableCopy::SRow row;
    row.type = u"Transfer"_s;
    row.time = {startedMs, durationUs};
    row.error = error;
    row.transfer = request;
    return row;
}

TableCopy::SRow textRow(const QString &type)
{
    TableCopy::SRow row;
    row.type = type;
    row.shownData = u"0x23, 0x50"_s;
    return row;
}

} // namespace

class TestTableSequence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromRows_data();
    void fromRows();
};

void TestTableSequence::fromRows_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<bool>("delays");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("skipped");
    const TableCopy::SRow write =
        transferRow(STransactionRequest::Write(0x48, {0x01, 0x60}), 1000, 500);
    const TableCopy::SRow registerRead =
        transferRow(STransactionRequest::WriteRead(0x50, {0x10}, 4), 1012, 1500);
    // A write that leaves the bus open, and the read that follows with a repeated start.
    const TableCopy::SRow open =
        transferRow(STransactionRequest::Write(0x50, {0x00}, true, false), 1020, std::nullopt);
    const TableCopy::SRow read = transferRow(STransactionRequest::Read(0x50, 8), 1020, 900);
    const TableCopy::SRow failed = transferRow(STransactionRequest::Read(0x33, 1), 1016, 200, true);

    QTest::newRow("transfers, no delays")
        << Rows{write, registerRead, open, read} << false
        << QStringList{u"w2@0x48 01 60"_s, u"w1@0x50 10 r4"_s, u"w1@0x50 00 r8"_s} << 0;
    // 11.5 ms from the end of the write to the next start; the failed row in between is no
    // step and leaves the pause to the rows around it.
    QTest::newRow("delays between transfers")
        << Rows{write, failed, registerRead} << true
        << QStringList{u"w2@0x48 01 60"_s, u"delay 11ms"_s, u"w1@0x50 10 r4"_s} << 1;
    QTest::newRow("errors, searches, summaries and a write without start skipped")
        << Rows{textRow(u"Search"_s), failed, write, textRow(u"Sequence Check"_s),
                transferRow(STransactionRequest::Write(0, {0x01}, false, true), 1030, 100)}
        << true << QStringList{u"w2@0x48 01 60"_s} << 4;
    QTest::newRow("nothing to send")
        << Rows{textRow(u"Watch 0x23"_s)} << false << QStringList() << 1;
}

void TestTableSequence::fromRows()
{
    QFETCH(Rows, rows);
    QFETCH(bool, delays);
    QFETCH(QStringList, lines);
    QFETCH(int, skipped);
    const SSequenceRecording recording = TableSequence::FromRows(rows, delays);
    QCOMPARE(recording.lines, lines);
    QCOMPARE(recording.skipped, skipped);
}

VTL_TEST_MAIN(TestTableSequence)
#include "tst_tablesequence.moc"
