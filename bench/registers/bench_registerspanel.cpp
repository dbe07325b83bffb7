// SPDX-License-Identifier: MIT
// The Registers dock's tree for 256 four-byte registers with 8 fields each: built from a
// new map, and refreshed with the values of a Read All (every row's texts and marks).
#include "BenchMain.h"
#include "BenchRegisterMaps.h"
#include "RegistersPanel.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// With reset values, so the tree marks the values that differ from them.
SRegisterMap LargeMap()
{
    SRegisterMap map = FieldedRegisterMap256x8();
    for (SRegister &reg : map.registers)
        reg.reset = 0;
    return map;
}

std::map<int, std::uint32_t> Values(std::uint32_t seed)
{
    std::map<int, std::uint32_t> values;
    for (int r = 0; r < 256; ++r)
        values[r] = std::uint32_t(r) * 0x01010101u + seed;
    return values;
}

void BM_BuildTree256x8(benchmark::State &state)
{
    RegistersPanel panel;
    const SRegisterMap map = LargeMap();
    for (auto _ : state) {
        panel.setMap(map);
        panel.values().ApplyRead(Values(0));
        panel.refresh();
        panel.showHint(QString());
    }
}
BENCHMARK(BM_BuildTree256x8)->Unit(benchmark::kMillisecond);

void BM_RefreshTree256x8(benchmark::State &state)
{
    RegistersPanel panel;
    panel.setMap(LargeMap());
    std::uint32_t seed = 0;
    for (auto _ : state) {
        panel.values().ApplyRead(Values(++seed));
        panel.refresh();
    }
}
BENCHMARK(BM_RefreshTree256x8)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QApplication>(argc, argv);
}
