// SPDX-License-Identifier: MIT
// Log files of the output table: 10,000 rows of 64 bytes built and written, as Save Log
// does after the dialog (the rows as the table holds them, the text, the atomic replace).
#include "CLogFile.h"
#include "TableLog.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

QList<TableCopy::SRow> logRows(int count, int bytesPerRow)
{
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    QList<TableCopy::SRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        QByteArray bytes(bytesPerRow, Qt::Uninitialized);
        for (int b = 0; b < bytesPerRow; ++b)
            bytes[b] = char((i + b) * 7);
        rows.append(
            {u"Read 0x50"_s, u"0x40"_s, QString(), bytes, {start + i, 1060 + i}, i % 50 == 0});
    }
    return rows;
}

void SaveLog(benchmark::State &state, const QString &name)
{
    const QList<TableCopy::SRow> rows = logRows(10000, 64);
    const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    CLogFile file;
    for (auto _ : state) {
        if (!file.Save(path, rows)) {
            state.SkipWithError(qPrintable(file.GetLastError()));
            return;
        }
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void BM_SaveLogCsv(benchmark::State &state)
{
    SaveLog(state, u"log.csv"_s);
}
BENCHMARK(BM_SaveLogCsv)->Unit(benchmark::kMillisecond);

void BM_SaveLogText(benchmark::State &state)
{
    SaveLog(state, u"log.txt"_s);
}
BENCHMARK(BM_SaveLogText)->Unit(benchmark::kMillisecond);

// The CSV text alone, without the file.
void BM_BuildCsv(benchmark::State &state)
{
    const QList<TableCopy::SRow> rows = logRows(10000, 64);
    for (auto _ : state)
        benchmark::DoNotOptimize(TableLog::Csv(rows));
}
BENCHMARK(BM_BuildCsv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
