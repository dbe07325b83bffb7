// SPDX-License-Identifier: MIT
// vtl-i2c-cli-sim as a whole process, from start to exit, on adapter A of the preset bench
// (1 ms USB frames, simulated bus time): a register read, and the parts of it that are
// process start (--version) and start plus enumeration (list); then the 32 KiB EEPROM read
// and written against the simulator's floor, timed by the program's own JSON figure.
#include "BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr double FRAME_S = 1e-3;
constexpr double EEPROM_SIZE = 32768;
constexpr double PAGE_SIZE = 64;
constexpr double WRITE_CYCLE_S = 5e-3;
constexpr double REPORT_BYTES = 62;

struct SProcessRun
{
    bool ok = false;
    double seconds = 0;
    QJsonObject json;
};

SProcessRun RunProgram(const QStringList &arguments, const QString &stateFolder = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VTL_CLI_SIM_BENCH"_s, u"single"_s);
    if (!stateFolder.isEmpty())
        environment.insert(u"VTL_CLI_SIM_STATE"_s, stateFolder);
    QProcess process;
    process.setProcessEnvironment(environment);
    const auto started = std::chrono::steady_clock::now();
    process.start(QStringLiteral(VTL_CLI_SIM_PROGRAM), arguments);
    process.waitForFinished(120000);
    SProcessRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    run.json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    return run;
}

void RunWhole(benchmark::State &state, const QStringList &arguments)
{
    for (auto _ : state) {
        const SProcessRun run = RunProgram(arguments);
        if (!run.ok) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(run.seconds);
    }
}

// Process start, Qt Core and the simulator's bench, nothing enumerated.
void BM_ProcessStart(benchmark::State &state)
{
    RunWhole(state, {u"--version"_s});
}
BENCHMARK(BM_ProcessStart)->Unit(benchmark::kMillisecond)->UseManualTime();

// The above plus enumerating the adapters and opening (not connecting) the one listed.
void BM_ProcessList(benchmark::State &state)
{
    RunWhole(state, {u"list"_s});
}
BENCHMARK(BM_ProcessList)->Unit(benchmark::kMillisecond)->UseManualTime();

// vtl-i2c-cli-sim get 0x50 0x00 2: enumeration, connect, one write/read, switch-off.
void BM_ProcessGet(benchmark::State &state)
{
    RunWhole(state, {u"get"_s, u"0x50"_s, u"0x00"_s, u"2"_s});
}
BENCHMARK(BM_ProcessGet)->Unit(benchmark::kMillisecond)->UseManualTime();

// Read All of the bench's temperature sensor by its register map and decoding it: four
// write/reads, whose floor at 1 ms frames is 8 ms; with latency 0 the simulator replies at
// once, which leaves the program's own cost.
void BM_ProcessRegs(benchmark::State &state)
{
    const bool latency = state.range(0) != 0;
    if (!latency)
        qputenv("VTL_CLI_SIM_LATENCY", "none");
    RunWhole(state, {u"regs"_s, QStringLiteral(VTL_TEMPERATURE_DEVICE)});
    qunsetenv("VTL_CLI_SIM_LATENCY");
}
BENCHMARK(BM_ProcessRegs)
    ->ArgName("latency")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
// The same register read typed as for i2c-tools: an SMBus read word data on bus 0. Compare
// with BM_ProcessGet; the goal is within 10 % of it.
void BM_ProcessI2cget(benchmark::State &state)
{
    RunWhole(state, {u"i2cget"_s, u"-y"_s, u"0"_s, u"0x50"_s, u"0x00"_s, u"w"_s});
}
BENCHMARK(BM_ProcessI2cget)->Unit(benchmark::kMillisecond)->UseManualTime();

// i2cdump's consecutive-byte mode over 256 bytes: one send byte and 256 receive bytes, each
// answered in a reply frame of its own, so its floor is 257 frames. What the process costs
// besides them (start, enumeration, connect, switch-off) is taken from the same program's
// run of one receive byte (less its frame) and set apart; the goal is within 2 % of the floor.
void BM_I2cdumpConsecutive256(benchmark::State &state)
{
    const double floorS = 257 * FRAME_S;
    double baseline = 0;
    constexpr int BASELINE_RUNS = 5;
    for (int i = 0; i < BASELINE_RUNS; ++i)
        baseline += (RunProgram({u"i2cget"_s, u"-y"_s, u"0"_s, u"0x50"_s}).seconds - FRAME_S) /
                    BASELINE_RUNS;
    double whole = 0;
    for (auto _ : state) {
        const SProcessRun run = RunProgram({u"i2cdump"_s, u"-y"_s, u"0"_s, u"0x50"_s, u"c"_s});
        if (!run.ok) {
            state.SkipWithError("i2cdump failed");
            return;
        }
        whole += run.seconds;
        state.SetIterationTime(run.seconds);
    }
    const auto n = double(state.iterations());
    state.counters["floor_s"] = floorS;
    state.counters["start_s"] = baseline;
    state.counters["over_pct"] = ((whole / n - baseline) / floorS - 1.0) * 100.0;
}
BENCHMARK(BM_I2cdumpConsecutive256)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The read's floor at 400 kbit/s: the offset write's reply frame, then the read's bus time
// (repeated start, address byte, nine bits a byte, stop) or its reply frames, the larger.
void BM_EepromRead32KiB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"read.bin"_s);
    const double bitS = 1.0 / 400e3;
    const double busS = (1 + 9 + 9 * EEPROM_SIZE + 1) * bitS;
    const double framesS = std::ceil(EEPROM_SIZE / REPORT_BYTES) * FRAME_S;
    const double floorS = FRAME_S + std::max(busS, framesS);
    double transfer = 0;
    double whole = 0;
    for (auto _ : state) {
        const SProcessRun run = RunProgram({u"--json"_s, u"--speed"_s, u"400"_s, u"eeprom"_s,
                                            u"read"_s, u"0x51"_s, file, u"--size"_s, u"32768"_s});
        if (!run.ok) {
            state.SkipWithError("eeprom read failed");
            return;
        }
        const double seconds = run.json.value(u"durationUs"_s).toDouble() * 1e-6;
        transfer += seconds;
        whole += run.seconds;
        state.SetIterationTime(seconds);
    }
    const auto n = double(state.iterations());
    state.counters["floor_s"] = floorS;
    state.counters["over_pct"] = (transfer / n / floorS - 1.0) * 100.0;
    state.counters["process_s"] = whole / n;
}
BENCHMARK(BM_EepromRead32KiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The sum of write cycles and frames: per 64-byte page the first of its two write reports
// (62 of the 67 bytes with the address and offset bytes) is answered after its bus time,
// rounded up to frames; the second one's stop starts the 5 ms write cycle, which hides that
// report's own reply frame; then one frame for the poll that is answered.
void BM_EepromWrite32KiB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString image = dir.filePath(u"image.bin"_s);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly)) {
        state.SkipWithError("no image file");
        return;
    }
    QByteArray bytes(int(EEPROM_SIZE), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 13 + 7);
    file.write(bytes);
    file.close();
    const double pages = EEPROM_SIZE / PAGE_SIZE;
    const double firstReportS = (1 + 9 * REPORT_BYTES) / 400e3;
    const double floorS =
        pages * (std::ceil(firstReportS / FRAME_S) * FRAME_S + WRITE_CYCLE_S + FRAME_S);
    double transfer = 0;
    double whole = 0;
    double polls = 0;
    for (auto _ : state) {
        const SProcessRun run =
            RunProgram({u"--json"_s, u"--speed"_s, u"400"_s, u"eeprom"_s, u"write"_s, u"0x51"_s,
                        image, u"--size"_s, u"32768"_s, u"--page"_s, u"64"_s},
                       dir.filePath(u"state"_s));
        if (!run.ok) {
            state.SkipWithError("eeprom write failed");
            return;
        }
        const double seconds = run.json.value(u"durationUs"_s).toDouble() * 1e-6;
        transfer += seconds;
        whole += run.seconds;
        polls += run.json.value(u"polls"_s).toDouble();
        state.SetIterationTime(seconds);
    }
    const auto n = double(state.iterations());
    state.counters["floor_s"] = floorS;
    state.counters["over_pct"] = (transfer / n / floorS - 1.0) * 100.0;
    state.counters["process_s"] = whole / n;
    state.counters["polls_per_page"] = polls / n / pages;
}
BENCHMARK(BM_EepromWrite32KiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
