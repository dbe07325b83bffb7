// SPDX-License-Identifier: MIT
#include "DemoSetup.h"

#include "CProjectsPanel.h"
#include "CSimPresetBench.h"
#include "SimulatorMenu.h"
#include "qmain.h"

#include <QMainWindow>

SSimPresetBench PrepareDemo()
{
    Q_INIT_RESOURCE(demo);
    SSimPresetOptions options;
    options.busTiming = true;
    options.liveValues = true;
    options.largeEeprom = true;
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-eeprom.i2cdev"));
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-temperature.i2cdev"));
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-power-monitor.i2cdev"));
    return CSimPresetBench::Attach(options);
}

int RunDemo(int argc, char **argv)
{
    const SSimPresetBench bench = PrepareDemo();
    return qMain(argc, argv, DEMO_TITLE_SUFFIX,
                 [&bench](QMainWindow &window) { AddSimulatorMenu(window, bench); });
}
