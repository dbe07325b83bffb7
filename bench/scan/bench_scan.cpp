// SPDX-License-Identifier: MIT
// The Bus Scan dock: a search plus Identify of the preset bench's adapter A at 1 ms frames
// against the floor of the frames its transactions take (one per probe; one for the write
// part of each write/read and one per 62 bytes it reads), and filling the grid after a scan
// that found every address.
#include "BenchMain.h"
#include "CDirectBusContext.h"
#include "CPartLibrary.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "CVtlAi2c.h"
#include "PartIdentify.h"
#include "ScanCells.h"
#include "ScanPanel.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

constexpr double FRAME_S = 1e-3;
constexpr std::size_t REPORT_BYTES = 62;
constexpr std::uint8_t FIRST = 0x08;
constexpr std::uint8_t LAST = 0x77;

// Counts the frames of the replies to every transaction it passes on.
class CFrameCountingContext : public CDirectBusContext
{
public:
    using CDirectBusContext::CDirectBusContext;

    STransactionRecord Execute(const STransactionRequest &request) override
    {
        if (request.kind == ETransactionKind::Search)
            frames += double(request.lastAddress - request.firstAddress + 1);
        else
            frames += 1.0 + double((request.count + REPORT_BYTES - 1) / REPORT_BYTES);
        return CDirectBusContext::Execute(request);
    }

    double frames = 0;
};

void BM_ScanIdentifyBenchA(benchmark::State &state)
{
    CSimBus::Instance().Reset();
    const SSimPresetBench bench = CSimPresetBench::Attach(std::chrono::milliseconds(1));
    CVtlAi2c driver;
    driver.Connect(CSimPresetBench::SERIAL_A, EI2cSpeed::Speed400k);
    CPartLibrary library;
    library.LoadDefault();
    CFrameCountingContext context(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA));
    double total = 0;
    std::size_t identified = 0;
    for (auto _ : state) {
        context.frames = 0;
        const auto started = std::chrono::steady_clock::now();
        const STransactionRecord search = context.Execute(STransactionRequest::Search(FIRST, LAST));
        std::vector<SPartMatch> matches = PartIdentify::Candidates(library, search.found);
        // Every ID read allowed: the bench times the reads, not the plan leaving them out.
        for (SPartMatch &match : matches)
            match.anyByteAllowed = true;
        const SBusProcedureResult result = PartIdentify::Run(context, library, matches);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!search.ok || !result.ok) {
            state.SkipWithError("scan or identify failed");
            return;
        }
        identified = std::size_t(std::count_if(
            matches.begin(), matches.end(), [](const SPartMatch &m) { return m.identified >= 0; }));
    }
    const double floor = context.frames * FRAME_S;
    state.counters["identified"] = double(identified);
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["over_pct"] = (total / double(state.iterations()) / floor - 1.0) * 100.0;
    CSimBus::Instance().Reset();
}
BENCHMARK(BM_ScanIdentifyBenchA)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Every regular address found, each with its candidates and every other one identified.
void BM_FillGrid(benchmark::State &state)
{
    CPartLibrary library;
    library.LoadDefault();
    std::vector<std::uint8_t> found;
    for (int address = FIRST; address <= LAST; ++address)
        found.push_back(std::uint8_t(address));
    std::vector<SPartMatch> matches = PartIdentify::Candidates(library, found);
    for (std::size_t i = 0; i < matches.size(); i += 2) {
        if (!matches[i].candidates.empty())
            matches[i].identified = matches[i].candidates.front();
    }
    ScanPanel panel;
    panel.show();
    const auto format = [](std::uint8_t address) {
        return u"0x%1"_s.arg(address, 2, 16, QChar(u'0')).toUpper();
    };
    const auto noProject = [](std::uint8_t) {
        return std::optional<QString>();
    };
    for (auto _ : state) {
        panel.showCells(ScanCells::Build(FIRST, LAST, matches, library, format, noProject));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_FillGrid)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QApplication>(argc, argv);
}
