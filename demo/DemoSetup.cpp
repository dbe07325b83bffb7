// SPDX-License-Identifier: MIT
#include "DemoSetup.h"

#include "CProjectsPanel.h"
#include "CSimPresetBench.h"

void PrepareDemo()
{
    Q_INIT_RESOURCE(demo);
    SSimPresetOptions options;
    options.busTiming = true;
    options.liveValues = true;
    options.largeEeprom = true;
    CSimPresetBench::Attach(options);
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-eeprom.i2cdev"));
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-temperature.i2cdev"));
    CProjectsPanel::AddFirstStartExample(QStringLiteral(":/demo/bench-power-monitor.i2cdev"));
}
