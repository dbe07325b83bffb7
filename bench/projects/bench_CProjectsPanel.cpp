// SPDX-License-Identifier: MIT
#include "BenchDevices.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

// What the user waits for in the projects panel: a reload of the folder (listing, loading
// every file, rebuilding the model, laying out and painting the tree), a change of the
// address notation and one typed filter character. Each figure includes handling the events
// the change posts, so the tree's layout and first paint are counted too.

using namespace Qt::StringLiterals;

namespace {

// A folder of `count` device files of `commands` commands each, written once per process.
const QString &DeviceFolder(int count, int commands)
{
    static std::map<std::pair<int, int>, std::unique_ptr<QTemporaryDir>> folders;
    std::unique_ptr<QTemporaryDir> &dir = folders[{count, commands}];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        for (int i = 0; i < count; ++i) {
            CI2cDeviceFile file = MakeBenchDevice(commands, i);
            if (!file.SaveAs(dir->filePath(u"device_%1.i2cdev"_s.arg(i))))
                std::abort();
        }
    }
    static QString path;
    path = dir->path();
    return path;
}

// One file of 100,000 commands, about as many as the 4 MiB size limit of a device file
// admits: compact JSON with short labels, three reads to a write.
const QString &HugeDeviceFolder()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        QByteArray text = R"({"version":1,"name":"Huge","address":"0x10","commands":[)";
        for (int i = 0; i < 100000; ++i) {
            if (i > 0)
                text += ',';
            text += R"({"label":")" + QByteArray::number(i, 36);
            text +=
                i % 4 == 3 ? R"(","type":"write","data":"A5"})" : R"(","type":"read","count":2})";
        }
        text += "]}";
        QFile file(dir.filePath(u"huge.i2cdev"_s));
        if (text.size() > 4 * 1024 * 1024 || !file.open(QIODevice::WriteOnly) ||
            file.write(text) != text.size())
            std::abort();
        path = dir.path();
    }
    return path;
}

const QString &Folder(int files, int commands)
{
    return files == 0 ? HugeDeviceFolder() : DeviceFolder(files, commands);
}

// The dock's widgets on a shown window, and a panel on them.
class CHost : public QWidget
{
public:
    CHost(const QString &folder, bool expandAll)
    {
        auto *layout = new QVBoxLayout(this);
        filter = new QLineEdit(this);
        tree = new QTreeView(this);
        auto *description = new QLabel(this);
        auto *buttons = new QHBoxLayout;
        auto *newButton = new QPushButton(u"New"_s, this);
        reloadButton = new QPushButton(u"Reload"_s, this);
        auto *folderButton = new QPushButton(u"Folder"_s, this);
        buttons->addWidget(newButton);
        buttons->addWidget(reloadButton);
        buttons->addWidget(folderButton);
        layout->addWidget(filter);
        layout->addWidget(tree);
        layout->addWidget(description);
        layout->addLayout(buttons);
        resize(400, 800);

        QSettings settings;
        settings.clear();
        settings.setValue(u"projects/folder"_s, folder);
        settings.setValue(u"projects/examplesInstalled"_s, true);
        if (expandAll) {
            QStringList paths;
            const QDir dir(folder);
            for (const QString &name : dir.entryList({u"*.i2cdev"_s}, QDir::Files))
                paths.append(dir.filePath(name));
            settings.setValue(u"projects/expanded"_s, paths);
        }
        panel = new CProjectsPanel(
            {tree, filter, description, newButton, reloadButton, folderButton},
            [this](unsigned char address) {
                const unsigned value = eightBit ? unsigned(address) << 1 : unsigned(address);
                return u"0x"_s + QString::number(value, 16).toUpper().rightJustified(2, u'0');
            },
            [](const QString &) { return std::optional<unsigned char>(); },
            [] { return std::optional<unsigned char>(); }, this);
        show();
        QCoreApplication::processEvents();
    }

    QTreeView *tree = nullptr;
    QLineEdit *filter = nullptr;
    QPushButton *reloadButton = nullptr;
    CProjectsPanel *panel = nullptr;
    bool eightBit = false;
};

void Settle()
{
    QCoreApplication::processEvents();
}

// files 0 stands for the one file of 100,000 commands.
void BM_Reload(benchmark::State &state)
{
    CHost host(Folder(int(state.range(0)), int(state.range(1))), state.range(2) != 0);
    for (auto _ : state) {
        host.reloadButton->click();
        Settle();
    }
    state.counters["rows"] = double(host.tree->model()->rowCount());
}
BENCHMARK(BM_Reload)
    ->ArgNames({"files", "commands", "expanded"})
    ->Args({1000, 20, 0})
    ->Args({1000, 20, 1})
    ->Args({10000, 20, 0})
    ->Args({0, 100000, 0})
    ->Args({0, 100000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_RefreshAddresses(benchmark::State &state)
{
    CHost host(Folder(int(state.range(0)), int(state.range(1))), state.range(2) != 0);
    for (auto _ : state) {
        host.eightBit = !host.eightBit;
        host.panel->RefreshAddresses();
        Settle();
    }
}
BENCHMARK(BM_RefreshAddresses)
    ->ArgNames({"files", "commands", "expanded"})
    ->Args({1000, 20, 0})
    ->Args({1000, 20, 1})
    ->Args({0, 100000, 1})
    ->Unit(benchmark::kMillisecond);

// A first filter character: "r" is in every device name, so every row stays and is expanded,
// the worst case. A second one: "re" keeps only the read commands and their devices.
void BM_FilterCharacter(benchmark::State &state)
{
    CHost host(Folder(int(state.range(0)), int(state.range(1))), false);
    const bool second = state.range(2) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        host.filter->setText(second ? u"r"_s : QString());
        Settle();
        state.ResumeTiming();
        host.filter->setText(second ? u"re"_s : u"r"_s);
        Settle();
    }
}
BENCHMARK(BM_FilterCharacter)
    ->ArgNames({"files", "commands", "second"})
    ->Args({1000, 20, 0})
    ->Args({1000, 20, 1})
    ->Args({0, 100000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Offscreen, with a private home: the settings and the projects folder of the benchmark
    // never touch the user's own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return EXIT_FAILURE;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + u"/.config"_s).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + u"/.local/share"_s).toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Brelmark"_s);
    QApplication::setApplicationName(u"vtl_i2c_bench"_s);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return EXIT_FAILURE;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
