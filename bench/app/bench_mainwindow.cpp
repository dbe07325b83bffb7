// The output table as a long session grows it, the hex rendering, and the bus search,
// in a shown window on the offscreen platform: every figure includes the event
// processing and painting that a real window does after the change.
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int SEARCH_PROBES = 0x77 - 0x08 + 1;

std::vector<unsigned char> Bytes(std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    return bytes;
}

// A shown main window with an empty table.
struct SWindow
{
    MainWindow window;
    QTableWidget *table = nullptr;

    SWindow()
    {
        window.show();
        table = window.findChild<QTableWidget *>(u"table_data"_s);
        Settle();
    }

    void Settle()
    {
        QCoreApplication::processEvents();
        table->viewport()->repaint();
    }

    void Fill(int rows, std::size_t bytesPerRow)
    {
        const std::vector<unsigned char> bytes = Bytes(bytesPerRow);
        for (int i = 0; i < rows; ++i)
            window.addTableRow(u"Read 0x50"_s, u"0x10"_s, bytes, false);
        Settle();
    }

    void SetBytesPerLine(const QString &text)
    {
        auto *box = window.findChild<QComboBox *>(u"cmb_bytes_per_line"_s);
        box->setCurrentIndex(box->findText(text));
    }

    // Connects to the first adapter the dialog lists, at the checked speed.
    bool Connect()
    {
        QTimer::singleShot(0, qApp, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        window.findChild<QAction *>(u"actionConnect"_s)->trigger();
        return window.findChild<QAction *>(u"actionDisconnect"_s)->isEnabled();
    }
};

// Counts the paint events of a widget, to show that a figure includes the painting.
class CPaintCounter : public QObject
{
public:
    int paints = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One 16-byte read row appended to a table that already holds range(0) rows, and the
// event processing that follows, in which the window paints what changed (the row
// scrolls into view, so the whole visible table area is painted again).
void BM_AppendRow(benchmark::State &state)
{
    SWindow bench;
    bench.Fill(static_cast<int>(state.range(0)), 16);
    CPaintCounter counter;
    bench.table->viewport()->installEventFilter(&counter);
    const std::vector<unsigned char> bytes = Bytes(16);
    for (auto _ : state) {
        bench.window.addTableRow(u"Read 0x50"_s, u"0x10"_s, bytes, false);
        QCoreApplication::processEvents();
    }
    state.counters["rows_at_end"] = bench.table->rowCount();
    state.counters["paints_per_row"] =
        static_cast<double>(counter.paints) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AppendRow)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The painting alone that every append brings about: the whole table area (frame, header,
// both scroll bars, the rows in view) and the forced repaint of the rows, nothing added.
void BM_RepaintTable(benchmark::State &state)
{
    SWindow bench;
    bench.Fill(static_cast<int>(state.range(0)), 16);
    for (auto _ : state) {
        bench.table->update();
        bench.Settle();
    }
}
BENCHMARK(BM_RepaintTable)->Arg(0)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 10,000 rows of 64 bytes re-rendered after a change of the line layout, 16 <-> 8.
void BM_RerenderRows(benchmark::State &state)
{
    SWindow bench;
    bench.Fill(10000, 64);
    bool eight = false;
    for (auto _ : state) {
        eight = !eight;
        bench.SetBytesPerLine(eight ? u"8"_s : u"16"_s);
        bench.Settle();
    }
}
BENCHMARK(BM_RerenderRows)->Unit(benchmark::kMillisecond);

// One read row of 65535 bytes rendered, added and painted.
void BM_AddLargeReadRow(benchmark::State &state)
{
    SWindow bench;
    const std::vector<unsigned char> bytes = Bytes(65535);
    for (auto _ : state) {
        bench.window.addTableRow(u"Read 0x50"_s, u"0x3E"_s, bytes, false);
        bench.Settle();
        state.PauseTiming();
        bench.table->setRowCount(0);
        bench.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddLargeReadRow)->Unit(benchmark::kMillisecond);

void BM_FormatHexLines(benchmark::State &state)
{
    const std::vector<unsigned char> raw = Bytes(static_cast<std::size_t>(state.range(0)));
    const QByteArray bytes(reinterpret_cast<const char *>(raw.data()),
                           static_cast<qsizetype>(raw.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(MainWindow::formatHexLines(bytes, 16, false));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FormatHexLines)->Arg(65536)->Unit(benchmark::kMicrosecond);

// The whole search of the window (112 probes, list and row) on the preset bench's model A
// adapter, with replies at once or on the 1 ms frame grid of a full-speed adapter.
void BM_Search(benchmark::State &state)
{
    const auto framePeriod = std::chrono::microseconds(state.range(0));
    CSimBus::Instance().Reset();
    CSimPresetBench::Attach(framePeriod);
    SWindow bench;
    if (!bench.Connect()) {
        state.SkipWithError("connect failed");
        return;
    }
    const auto search = [&bench] {
        QMetaObject::invokeMethod(&bench.window, "onI2cSearch", Qt::DirectConnection);
    };
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        search();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (framePeriod.count() > 0) {
        // Time per search above 112 frame times, in per cent.
        const double frames = SEARCH_PROBES * std::chrono::duration<double>(framePeriod).count();
        const double perSearch = elapsed.count() / double(state.iterations());
        state.counters["over_pct"] = (perSearch / frames - 1.0) * 100.0;
    }
    state.counters["rows"] = bench.table->rowCount();
    CSimBus::Instance().Reset();
}
BENCHMARK(BM_Search)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    // Settings written by the window go to a private folder, never the user's.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const QByteArray root = QDir(home.path()).absolutePath().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_DOCUMENTS_DIR", root + "/Documents");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Brelmark"_s);
    QApplication::setApplicationName(u"vtl_i2c"_s);
    Q_INIT_RESOURCE(resources);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
