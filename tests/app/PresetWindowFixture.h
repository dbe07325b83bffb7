// SPDX-License-Identifier: MIT
#pragma once

#include "AppTestSupport.h"
#include "CSimPresetBench.h"
#include "mainwindow.h"

#include <QSettings>

#include <chrono>
#include <functional>
#include <memory>

// The main window connected to one adapter of the preset bench, on a fresh bus and with
// fresh settings: Open() in a test's init(), Close() in its cleanup().
class CPresetWindowFixture
{
public:
    SSimPresetBench bench;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<CModalWatcher> watcher;

    // `beforeShow` adds to the window before it is shown; false when it did not connect.
    bool Open(const QString &entry, const std::function<void(MainWindow &)> &beforeShow = {})
    {
        CSimBus::Instance().Reset();
        QSettings().clear();
        bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
        window = std::make_unique<MainWindow>();
        if (beforeShow)
            beforeShow(*window);
        window->show();
        watcher = std::make_unique<CModalWatcher>();
        return ConnectWindow(*window, *watcher, entry);
    }

    void Close()
    {
        watcher.reset();
        window.reset();
        bench = {};
        CSimBus::Instance().Reset();
    }
};
