// SPDX-License-Identifier: MIT
#include "SimulatorMenu.h"

#include "SimulatorWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <chrono>
#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Replies this slow are plainly visible in the progress dialog and the time column.
constexpr std::chrono::milliseconds SLOW_FRAME_PERIOD(50);
constexpr std::chrono::milliseconds BENCH_FRAME_PERIOD(1);
// Room between the Simulator window and the main window's edges.
constexpr int SIMULATOR_MARGIN = 40;

QString tr(const char *text)
{
    return QCoreApplication::translate("SimulatorMenu", text);
}

struct SAdapterEntry
{
    QString name;
    std::shared_ptr<CSimAdapter> adapter;
};

struct SSlaveEntry
{
    QString adapterName;
    QString name;
    std::shared_ptr<CSimAdapter> adapter;
    std::uint8_t address = 0;
    std::shared_ptr<CSimSlave> slave;
};

QAction *checkable(QMenu *menu, const QString &text, const QString &name)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setCheckable(true);
    return action;
}

} // namespace

QMenu *AddSimulatorMenu(QMainWindow &window, const SSimPresetBench &bench)
{
    auto *menu = new QMenu(tr("&Simulator"), window.menuBar());
    menu->setObjectName(u"menuSimulator"_s);
    const QList<QAction *> menus = window.menuBar()->actions();
    window.menuBar()->insertMenu(menus.isEmpty() ? nullptr : menus.last(), menu);

    const std::vector<SAdapterEntry> adapters = {
        {u"A"_s, bench.adapterA}, {u"B"_s, bench.adapterB}, {u"C"_s, bench.adapterC}};
    for (const SAdapterEntry &entry : adapters) {
        QAction *unplug = checkable(menu, tr("Unplug Adapter %1").arg(entry.name),
                                    u"actionSimUnplug"_s + entry.name);
        QObject::connect(unplug, &QAction::toggled, menu,
                         [adapter = entry.adapter](bool unplugged) {
                             if (unplugged)
                                 adapter->Unplug();
                             else
                                 adapter->Plug();
                         });
    }
    menu->addSeparator();

    QAction *drop = menu->addAction(tr("Drop Next Reply"));
    drop->setObjectName(u"actionSimDropReply"_s);
    QObject::connect(drop, &QAction::triggered, menu, [adapters] {
        for (const SAdapterEntry &entry : adapters)
            entry.adapter->DropReplies(1);
    });
    QAction *slow = checkable(menu, tr("Slow Frames (%1 ms)").arg(SLOW_FRAME_PERIOD.count()),
                              u"actionSimSlowFrames"_s);
    QObject::connect(slow, &QAction::toggled, menu, [adapters](bool slowed) {
        for (const SAdapterEntry &entry : adapters)
            entry.adapter->SetFramePeriod(slowed ? SLOW_FRAME_PERIOD : BENCH_FRAME_PERIOD);
    });

    QWidget *simulatorWindow = SimulatorWindow::Create(window, menu->actions());
    menu->addSeparator();
    QAction *showWindow = menu->addAction(tr("Simulator &Window"));
    showWindow->setObjectName(u"actionSimWindow"_s);
    QObject::connect(showWindow, &QAction::triggered, simulatorWindow, [&window, simulatorWindow] {
        // First shown at the main window's right edge, clear of its menus and fields.
        if (!simulatorWindow->isVisible()) {
            simulatorWindow->adjustSize();
            const QRect frame = window.frameGeometry();
            simulatorWindow->move(frame.right() - simulatorWindow->width() - SIMULATOR_MARGIN,
                                  frame.bottom() - simulatorWindow->height() - SIMULATOR_MARGIN);
        }
        simulatorWindow->show();
        simulatorWindow->raise();
    });
    menu->addSeparator();

    QMenu *silence = menu->addMenu(tr("Slave Stops Acknowledging"));
    silence->setObjectName(u"menuSimSilence"_s);
    const std::vector<SSlaveEntry> slaves = {
        {u"A"_s, tr("Adapter A: light sensor 0x23"), bench.adapterA,
         CSimPresetBench::LIGHT_SENSOR_ADDRESS, bench.lightSensorA},
        {u"A"_s, tr("Adapter A: EEPROM 0x50"), bench.adapterA, CSimPresetBench::EEPROM_ADDRESS,
         bench.eepromA},
        {u"A"_s, tr("Adapter A: temperature sensor 0x48"), bench.adapterA,
         CSimPresetBench::TEMPERATURE_SENSOR_ADDRESS, bench.temperatureA},
        {u"A"_s, tr("Adapter A: power monitor 0x40"), bench.adapterA,
         CSimPresetBench::POWER_MONITOR_ADDRESS, bench.powerMonitorA},
        {u"B"_s, tr("Adapter B: EEPROM 0x50"), bench.adapterB, CSimPresetBench::EEPROM_ADDRESS,
         bench.eepromB},
        {u"C"_s, tr("Adapter C: EEPROM 0x50"), bench.adapterC, CSimPresetBench::EEPROM_ADDRESS,
         bench.eepromC},
    };
    for (const SSlaveEntry &entry : slaves) {
        QAction *action = checkable(silence, entry.name,
                                    u"actionSimSilence%1_%2"_s.arg(entry.adapterName)
                                        .arg(int(entry.address), 2, 16, QLatin1Char('0')));
        // The slave leaves the bus and comes back as it was, contents and all.
        QObject::connect(action, &QAction::toggled, menu, [entry](bool silenced) {
            if (silenced)
                entry.adapter->RemoveSlave(entry.address);
            else
                entry.adapter->AddSlave(entry.address, entry.slave);
        });
    }
    return menu;
}
