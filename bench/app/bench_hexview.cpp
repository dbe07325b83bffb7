// SPDX-License-Identifier: MIT
// The EEPROM dock's hex view holding 128 KiB (8192 rows of 16 bytes): a screenful repainted
// after a scroll to another place, the work a user feels as a stall while scrolling.
#include "BenchWindow.h"
#include "EepromHexModel.h"
#include "EepromPanel.h"

#include <QDockWidget>
#include <QScrollBar>
#include <QTableView>

namespace {

constexpr qsizetype SIZE = 128 * 1024;

void BM_HexViewScrollRepaint128KiB(benchmark::State &state)
{
    SBenchWindow bench;
    bench.window.resize(1280, 900);
    // A floating dock of a good size: a screenful of rows, as a user reading a dump has it.
    auto *dock = bench.window.findChild<QDockWidget *>(QStringLiteral("dock_eeprom"));
    dock->show();
    dock->setFloating(true);
    dock->resize(900, 800);
    auto *panel = bench.window.findChild<EepromPanel *>();
    const std::vector<unsigned char> bytes = BenchBytes(std::size_t(SIZE));
    panel->model().setContents(QByteArray(reinterpret_cast<const char *>(bytes.data()), SIZE));
    auto *view = bench.window.findChild<QTableView *>(QStringLiteral("view_eeprom"));
    QCoreApplication::processEvents();
    QScrollBar *bar = view->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // Pages apart, so that every repaint draws rows it has not drawn just before.
        bar->setValue((step++ * 977) % (bar->maximum() + 1));
        view->viewport()->repaint();
    }
    state.counters["rows"] = double(panel->model().rowCount());
    state.counters["visible_rows"] = double(view->viewport()->height() / view->rowHeight(0));
}
BENCHMARK(BM_HexViewScrollRepaint128KiB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
