// SPDX-License-Identifier: MIT
#include "BenchDevices.h"
#include "CI2cDeviceFile.h"
#include "DeviceFolder.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdlib>

// Loading and saving device files of realistic shape: labels of a few words, writes of one
// to four bytes in every mode, one read in four.

using namespace Qt::StringLiterals;

namespace {

// A folder of `count` device files of `commands` commands each, written once per run.
class CBenchFolder
{
public:
    CBenchFolder(int count, int commands)
    {
        for (int i = 0; i < count; ++i) {
            CI2cDeviceFile file = MakeBenchDevice(commands, i);
            const QString path = m_dir.filePath(u"device_%1.i2cdev"_s.arg(i));
            if (!file.SaveAs(path))
                std::abort();
            m_paths.append(path);
        }
    }
    const QStringList &Paths() const { return m_paths; }
    QString Folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QStringList m_paths;
};

void BM_Load100Commands(benchmark::State &state)
{
    const CBenchFolder folder(1, 100);
    for (auto _ : state) {
        CI2cDeviceFile file;
        if (!file.Load(folder.Paths().front()))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(file);
    }
}
BENCHMARK(BM_Load100Commands)->Unit(benchmark::kMicrosecond);

// Saving replaces the file atomically and syncs it, so this measures the disk as well.
void BM_Save100Commands(benchmark::State &state)
{
    const CBenchFolder folder(1, 100);
    CI2cDeviceFile file;
    if (!file.Load(folder.Paths().front()))
        state.SkipWithError("load failed");
    for (auto _ : state) {
        if (!file.Save())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Save100Commands)->Unit(benchmark::kMicrosecond);

// What the projects panel and the part library do on every load: list the folder, load
// every file and sort the devices.
void BM_LoadFolder(benchmark::State &state)
{
    const int files = static_cast<int>(state.range(0));
    const CBenchFolder folder(files, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        const SDeviceFolder loaded = SDeviceFolder::Load(folder.Folder());
        if (loaded.devices.size() != files)
            state.SkipWithError("not every file loaded");
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["per_file"] = benchmark::Counter(
        files, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadFolder)
    ->ArgNames({"files", "commands"})
    ->Args({1000, 100})
    ->Args({1000, 20})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
